#pragma once
// Picture drawing helpers that work on device contexts.

#include "imaging/FixedDecimal.h"
#include "platform/Gdi.h"

#include <cstdint>

namespace StdImage {

// A pivot coordinate with this value is not given: DrawRotated puts in the default.
constexpr std::int16_t kPivotNotGiven = -32767;

// Draws srcWidth x srcHeight pixels from the top-left of hBitmap onto hdcDest, turned
// counterclockwise by angle degrees about (pivotX, pivotY) (source pixels), scaled by zoom,
// with source pixels of keyColor left out (low byte blue, then green, then red) and the
// rest blended over the destination by opacity (1 opaque, 0 invisible). The result is a
// square of side zoom x (diagonal of the source, widened for a pivot off the centre),
// centred on (centerX, centerY); the destination is read once under that square and
// written once. Bilinear sampling: the source's last column and row only ever serve as
// right and lower neighbours. Exactly 90 degrees turns without any trigonometric error
// and without the zoom (one source pixel per destination pixel; the zoom still sizes the
// square); other angles go through the fixed-point factor 0.0175 per degree.
//
// The source is read as a 32-bit copy of the bitmap's top-left srcWidth x srcHeight
// pixels, whatever its format; where the bitmap is smaller, it reads as black.
//
// A pivot of kPivotNotGiven becomes the middle of the source (half the size, ties to
// even) and that default is written back into the caller's variable.
//
// Nothing is drawn for a zoom that leaves no square (0 or less) or a source under 2 x 2
// pixels. Errors end the call with the destination untouched: errors::OverflowError
// (sizes or positions beyond their integer range, a blended byte outside 0..255 from an
// opacity outside 0..1), errors::ObjectRequired (hBitmap is no bitmap),
// errors::RuntimeError (no memory for the square's pixels).
void DrawRotated(gdi::HDC hdcDest, FixedDecimal angle, std::int32_t centerX, std::int32_t centerY,
                 std::int32_t srcWidth, std::int32_t srcHeight, gdi::HBITMAP hBitmap, std::uint32_t keyColor,
                 FixedDecimal opacity, FixedDecimal zoom, std::int16_t& pivotX, std::int16_t& pivotY);

} // namespace StdImage
