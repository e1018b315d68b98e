#pragma once
// What a reduced copy keeps of its photo: the colour profile, so colour-managed viewers
// show the same colours, and the dates people sort by. Nothing else is carried over:
// no orientation (the copy is already upright), no location, no maker notes.

#include <QByteArray>

#include <ctime>
#include <optional>

namespace imaging {

struct PhotoMetadata {
    QByteArray iccProfile;            // the photo's embedded ICC profile, whole; empty: none
    QByteArray captureExif;           // a minimal EXIF APP1 payload ("Exif\0\0" + TIFF) with only
                                      // DateTimeOriginal and DateTimeDigitized (where present);
                                      // empty when the photo has no capture date
    std::optional<timespec> modified; // the source file's modification time
};

} // namespace imaging
