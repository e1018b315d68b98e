#pragma once
// A WebP copy encoded in memory (libwebp, lossy), with the photo's colour profile and
// capture date in WebP's own ICCP and EXIF chunks (libwebpmux).

#include "imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class aDIBSection;

namespace imaging {

// The whole file for bitmap at quality (0..100 on libwebp's scale, clamped) with
// metadata's profile and capture date (where given and present; the EXIF chunk holds
// the TIFF data without the JPEG marker's "Exif\0\0" prefix). Empty on failure, with
// *failure (when given) saying why in English.
QByteArray EncodeWebPCopy(const aDIBSection& bitmap, std::int32_t quality, const PhotoMetadata* metadata,
                          QString* failure);

} // namespace imaging
