#pragma once
// EXIF orientation: which way up a camera stored the photo, and turning the decoded
// pixels so the bitmap shows it upright.

#include "imaging/Bitmap24.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

// The orientation tag (1..8) of an EXIF block (an APP1 payload starting "Exif\0\0").
// 1 (as stored) when the block is missing, malformed or holds no valid tag.
int ExifOrientation(const std::uint8_t* app1, std::size_t size);

// True for orientations 5..8, which swap width and height.
inline bool SwapsEdges(int orientation) { return orientation >= 5 && orientation <= 8; }

// A new bitmap showing `stored` the way orientation 2..8 says it is to be viewed
// (orientation 6: turned 90 degrees clockwise). An empty result when memory runs out;
// `stored` is not changed.
Bitmap24 Orient(const Bitmap24& stored, int orientation);

} // namespace imaging
