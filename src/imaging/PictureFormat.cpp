#include "PictureFormat.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>

namespace imaging {

PictureFormat SniffFormat(const std::uint8_t* data, std::size_t size)
{
    if (!data)
        return PictureFormat::Other;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PictureFormat::Jpeg;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0)
        return PictureFormat::Png;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return PictureFormat::WebP;
    // libheif knows the brands (heic, heix, mif1, avif, ...); one it cannot decode is
    // still its to refuse with a reason.
    if (size >= 12) {
        const int length = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        const heif_filetype_result type = heif_check_filetype(data, length);
        if (type == heif_filetype_yes_supported || type == heif_filetype_yes_unsupported)
            return PictureFormat::Heif;
    }
    return PictureFormat::Other;
}

QByteArray ExifPayload(const std::uint8_t* tiff, std::size_t size)
{
    if (!tiff || size == 0)
        return {};
    const QByteArray bytes(reinterpret_cast<const char*>(tiff), static_cast<qsizetype>(size));
    if (bytes.startsWith(QByteArray("Exif\0\0", 6)))
        return bytes;
    return QByteArray("Exif\0\0", 6) + bytes;
}

} // namespace imaging
