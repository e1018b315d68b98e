#include "WindowLayout.h"

#include "controls/PropertyBag.h"
#include "controls/mivoButton.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QStringList>
#include <QTranslator>

namespace app {

QFont DesignFont()
{
    static const bool substituted = [] {
        QStringList substitutes;
        substitutes << QStringLiteral("DejaVu Sans") << QStringLiteral("Liberation Sans") << QStringLiteral("Arial");
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), substitutes);
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(10);
    font.setStyleHint(QFont::SansSerif);
    // Picks DejaVu's own semi-condensed face: drawn narrow, so its letters keep their gaps.
    font.setStretch(QFont::SemiCondensed);
    return font;
}

mivoButton* CommandButton(QWidget* parent, const QString& caption, const QString& icon, const QRect& geometry)
{
    auto* button = new mivoButton(parent);
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Caption"), caption);
    bag.WriteProperty(QStringLiteral("Icon"), icon);
    bag.WriteProperty(QStringLiteral("Font"), DesignFont());
    button->ReadProperties(bag);
    button->setGeometry(geometry);
    return button;
}

bool InstallQtGerman()
{
    static QPointer<QTranslator> german;
    if (german)
        return true;
    auto* catalogue = new QTranslator(QCoreApplication::instance());
    if (!catalogue->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete catalogue;
        return false;
    }
    QCoreApplication::installTranslator(catalogue);
    german = catalogue;
    return true;
}

} // namespace app
