#pragma once
// The bitmap the picture loader decodes into: a 24-bit bottom-up DIB of the drawing
// layer, the same layout as aDIBSection's, so CreateFromPicture takes it over as it is.

#include "imaging/Picture.h"
#include "imaging/PixelMemory.h"

#include <cstdint>

namespace imaging {

struct Bitmap24 {
    Picture picture;              // owns the bitmap; empty when creation failed
    std::uint8_t* bits = nullptr; // first memory row = bottom row of the picture
    std::int64_t stride = 0;      // bytes per memory row, a multiple of 4
    std::int32_t width = 0;
    std::int32_t height = 0;

    // Start of the row y counted from the top of the picture.
    std::uint8_t* RowFromTop(std::int32_t y) const { return bits + (std::int64_t{height} - 1 - y) * stride; }
};

// True when `copies` 24-bit bitmaps of width x height pixels (plus extraBytes) are within
// gdi::kMaxBitmapPixels and the memory available now. Sizes of 0 or less never fit.
bool FitsInMemory(std::int32_t width, std::int32_t height, int copies, std::int64_t extraBytes = 0);

// A new zeroed width x height bitmap, checked with FitsInMemory before anything is
// allocated; an empty picture (and null bits) when it does not fit or memory runs out.
// filledByCaller: only the padding at the rows' ends is zeroed, the caller writes every
// pixel before anyone reads one.
Bitmap24 NewBitmap24(std::int32_t width, std::int32_t height, bool filledByCaller = false);

} // namespace imaging
