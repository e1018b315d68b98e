#include "DesignFont.h"

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

} // namespace app
