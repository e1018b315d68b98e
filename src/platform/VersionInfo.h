#pragma once
// The program's version information: the maker's company name and the product name, as
// the settings key path, the window and message box titles and the About window show them.

#include <QString>

namespace platform {

inline QString CompanyName()
{
    return QStringLiteral("Quarzlicht Software");
}

inline QString ProductName()
{
    return QStringLiteral("Zimbrel");
}

} // namespace platform
