#pragma once
// A JPEG copy encoded in memory, for callers that must know its size before it is
// written (a size budget). The encoding is the JPEG writer's own (baseline, 4:2:0,
// libjpeg's quality scale, the profile and capture-date markers after the JFIF header),
// so a copy written from these bytes equals the one WriteJPEGFile writes.

#include "imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class aDIBSection;

namespace imaging {

// The whole file for bitmap at quality (1..100, clamped) with metadata's profile and
// capture date (where given and present). Empty on failure, with *failure (when given)
// saying why in English.
QByteArray EncodeJpegCopy(const aDIBSection& bitmap, std::int32_t quality, const PhotoMetadata* metadata,
                          QString* failure);

} // namespace imaging
