#pragma once
// An ICC profile for colours that a HEIF picture describes only by code points (its nclx
// box: primaries and transfer curve), so a colour-managed viewer shows the JPEG copy as
// the phone showed the photo. Built with lcms2.

#include <QByteArray>

namespace imaging {

struct NclxColours {
    int primaries = 2;            // H.273 ColourPrimaries (1 BT.709/sRGB, 12 Display P3, 9 BT.2020, 2 unknown)
    int transfer = 2;             // H.273 TransferCharacteristics (13 sRGB, 1/6/14/15 BT.709 family, 8 linear, ...)
    double red[2] = {0.64, 0.33}; // chromaticities x, y
    double green[2] = {0.30, 0.60};
    double blue[2] = {0.15, 0.06};
    double white[2] = {0.3127, 0.3290};
};

// The profile for colours, or empty where none is needed or none can be made:
// sRGB itself (BT.709 primaries or unknown ones with the sRGB or an unknown curve) needs
// none, since viewers take untagged pictures as sRGB; transfer curves that are no simple
// power law (PQ, HLG and the like) have no ICC form here.
QByteArray IccProfileFor(const NclxColours& colours);

} // namespace imaging
