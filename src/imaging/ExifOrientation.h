#pragma once
// EXIF orientation: which way up a camera stored the photo, and where each decoded row
// of the stored picture goes so that the bitmap shows it upright.

#include "imaging/Bitmap24.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

// The orientation tag (1..8) of an EXIF block (an APP1 payload starting "Exif\0\0").
// 1 (as stored) when the block is missing, malformed or holds no valid tag.
int ExifOrientation(const std::uint8_t* app1, std::size_t size);

// True for orientations 5..8, which swap width and height.
inline bool SwapsEdges(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The pixels are turned while they are decoded, a band of rows at a time: the turn
// needs no second full-size bitmap and no pass over memory of its own. For orientations
// 1..4 a stored row stays a row and is decoded straight into the upright bitmap (at
// UprightRow, then mirrored in place where MirrorsRows says so); for 5..8 a stored row
// becomes a column, and a band of decoded rows is placed with PlaceTurnedRows. The
// upright bitmap shows `stored` the way orientation says it is to be viewed
// (orientation 6: turned 90 degrees clockwise).

// The upright row (from the top) that stored row sy becomes; orientations 1..4.
std::int32_t UprightRow(int orientation, std::int32_t sy, std::int32_t storedHeight);
// True when orientation 1..4 reverses each row (2 and 3).
inline bool MirrorsRows(int orientation)
{
    return orientation == 2 || orientation == 3;
}
// Reverses the order of the width pixels of a 24-bit row.
void MirrorRow(std::uint8_t* row, std::int32_t width);
// Places count decoded stored rows (rows[i] holds stored row first + i, 3 bytes a pixel)
// into upright as orientation 5..8 says; stored is storedWidth x storedHeight.
void PlaceTurnedRows(const Bitmap24& upright, const std::uint8_t* const* rows, int count, std::int32_t first,
                     std::int32_t storedWidth, std::int32_t storedHeight, int orientation);

} // namespace imaging
