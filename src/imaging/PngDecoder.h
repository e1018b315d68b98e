#pragma once
// Decoding PNG pictures (any bit depth, palette, grey, alpha, interlaced) with libpng.

#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace imaging {

// Decodes the PNG file in data[0..size) into an upright 24-bit picture: 16-bit samples
// rounded to 8 bits, palette and grey expanded, transparency composed onto white, an
// eXIf orientation applied. metadata (when given) gets the iCCP profile and the capture
// date of the eXIf chunk. Damaged or truncated data and oversized pictures give an empty
// picture and the cause in *failure (when given). Safe to call from several threads.
Picture DecodePng(const std::uint8_t* data, std::size_t size, QString* failure = nullptr,
                  PhotoMetadata* metadata = nullptr);

// The picture's stored width and height from its header; false when there is none.
bool ProbePng(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height);

} // namespace imaging
