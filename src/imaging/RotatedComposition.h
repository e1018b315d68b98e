#pragma once
// The pixel work of StdImage::DrawRotated, over plain arrays and without any device
// context: a source picture turned about a pivot, sampled bilinearly, keyed and blended
// over a square background.
//
// Arrays hold 4 bytes per pixel (blue, green, red, a fourth byte that only passes from
// the background to the output), rows top-down with nothing between them.

#include "imaging/FixedDecimal.h"

#include <cstdint>
#include <span>

struct RotatedComposition {
    std::int32_t side = 0; // the square is side x side pixels
    // Square column X, row Y stands for source-frame column X - offX, row Y - offY.
    std::int32_t offX = 0;
    std::int32_t offY = 0;
    // Turn coefficients: cosine and sine of the angle, divided by the zoom.
    FixedDecimal c;
    FixedDecimal s;
    std::int32_t pivotX = 0; // centre of the turn in source pixels
    std::int32_t pivotY = 0;
    // Source pixels whose bytes 0, 1, 2 equal the low, second and third byte of keyColor
    // are transparent.
    std::uint32_t keyColor = 0;
    FixedDecimal opacity; // 1 draws fully, 0 not at all
};

// Writes the composed square into output (side x side pixels). Each square pixel whose
// turned position falls inside the source, with room for its right and lower neighbour,
// gets the four neighbours blended over the background pixel by their bilinear weights;
// every other pixel is the background's. Each weight x (blend of one neighbour) product is
// rounded to four places, their sum to a whole byte.
//
// errors::OverflowError when a byte leaves 0..255 (opacity outside 0..1) or a position
// leaves 16 bits; errors::SubscriptOutOfRange when an array is smaller than its size
// says. output may be partly written when an error is raised.
void ComposeRotated(const RotatedComposition& turn, std::span<const std::uint8_t> background,
                    std::span<const std::uint8_t> source, std::int32_t srcWidth, std::int32_t srcHeight,
                    std::span<std::uint8_t> output);
