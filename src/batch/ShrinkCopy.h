#pragma once
// One picture's shrink with the command line's output options: skipping a current copy,
// a dry run that reads no picture, the Lanczos-3 reduction from a reduced-scale decode,
// WebP output and a byte budget. With the window's options it is exactly ConvertPicture.

#include "batch/ConvertJPG.h"
#include "batch/OutputOptions.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace batch {

// Shrinks source into target as ConvertPicture does, with options on top (see
// OutputOptions). refusal is asked right before the write, as for ConvertPicture; on a
// dry run it is asked instead of reading anything. The folders a mirrored copy needs are
// made right before refusal is asked (by the refusal itself when into is given: the copy
// then goes into into's folder under into's name, target only naming it).
ConvertReport ShrinkCopy(const OutputOptions& options, const QString& source, const QString& target,
                         std::int32_t quality, const QString& sizeText, const std::function<QString()>& refusal = {},
                         const CopyDestination* into = nullptr);

// The scale in eighths (1 to 8) at which a width x height JPEG is decoded for a Lanczos-3
// reduction to targetWidth x targetHeight: the smallest of 1/8, 1/4, 1/2 and 1 whose decoded
// edges are still at least twice the target's.
int DecodeEighthsFor(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight);

} // namespace batch
