#pragma once
// Decoding WebP pictures (lossy, lossless, with alpha, animated) with libwebp.

#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace imaging {

// Decodes the WebP file in data[0..size) into an upright 24-bit picture: an animation
// gives its first frame (the whole canvas as it is first shown), transparency is composed
// onto white, an EXIF orientation is applied. metadata (when given) gets the ICCP profile
// and the capture date of the EXIF chunk. Damaged or truncated data and oversized
// pictures give an empty picture and the cause in *failure (when given). Safe to call
// from several threads.
Picture DecodeWebP(const std::uint8_t* data, std::size_t size, QString* failure = nullptr,
                   PhotoMetadata* metadata = nullptr);

// The picture's (canvas's) width and height from its header; false when there is none.
bool ProbeWebP(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height);

} // namespace imaging
