#include "WindowLayout.h"

#include "controls/PropertyBag.h"
#include "controls/mivoButton.h"

#include <QStringList>

namespace app {

QFont DesignFont()
{
    static const bool substituted = [] {
        QStringList substitutes;
        substitutes << QStringLiteral("Liberation Sans") << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans");
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), substitutes);
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(92);
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

} // namespace app
