#pragma once
// Who provides the program, as the About window names it. The company name is the one the
// settings key carries; the addresses use the reserved .example domain.

#include "platform/VersionInfo.h"

#include <QString>

namespace about {

struct Maker {
    QString company;
    QString street;
    QString postcode;
    QString town;
    QString web;  // in full, with scheme and final "/"
    QString mail; // the bare address
};

inline Maker TheMaker()
{
    return Maker{platform::CompanyName(),
                 QStringLiteral("Glimmerweg 14"),
                 QStringLiteral("37154"),
                 QStringLiteral("Kieselbrunn"),
                 QStringLiteral("https://www.quarzlicht.example/"),
                 QStringLiteral("info@quarzlicht.example")};
}

} // namespace about
