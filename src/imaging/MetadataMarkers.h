#pragma once
// The markers that carry a photo's colour profile and capture date into a JPEG file the
// encoder has written, added without touching the encoded picture.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace imaging {

// The APP2 "ICC_PROFILE" chunks of icc (as many as it needs, each up to 65,519 bytes of
// profile) followed by one APP1 marker holding exif (an EXIF payload starting
// "Exif\0\0"), each part only when given. Empty when there is nothing to add; null
// (isNull) when the profile needs more than 255 chunks or exif more than one marker.
QByteArray MetadataMarkers(const std::uint8_t* icc, std::size_t iccSize, const std::uint8_t* exif,
                           std::size_t exifSize);

// Where such markers go in a JPEG file: after the start-of-image marker and the JFIF
// header that follows it, where readers look for them. 0 when jpeg does not start with a
// start-of-image marker.
std::size_t MetadataInsertPosition(const std::uint8_t* jpeg, std::size_t size);

} // namespace imaging
