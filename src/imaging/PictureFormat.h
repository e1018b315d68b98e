#pragma once
// Which decoder a picture file's bytes belong to, told by their first bytes.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace imaging {

enum class PictureFormat {
    Jpeg,
    Png,
    WebP,
    Heif, // HEIC, HEIF and AVIF: ISO base media files libheif takes
    Other,
};

// The format data starts like; Other when it is none of the above.
PictureFormat SniffFormat(const std::uint8_t* data, std::size_t size);

// An EXIF block as the JPEG side keeps it (an APP1 payload, "Exif\0\0" + TIFF) from the
// TIFF bytes that PNG, WebP and HEIF store; bytes that already start with "Exif\0\0" are
// taken as they are. Empty when tiff is empty.
QByteArray ExifPayload(const std::uint8_t* tiff, std::size_t size);

} // namespace imaging
