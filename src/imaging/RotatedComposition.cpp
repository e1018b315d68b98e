#include "RotatedComposition.h"

#include "platform/Errors.h"
#include "platform/Numeric.h"

#include <cstring>

namespace {

constexpr std::size_t kBytes = 4;

std::size_t ArrayBytes(std::int32_t width, std::int32_t height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kBytes;
}

bool IsKey(const std::uint8_t* pixel, const std::uint8_t key[3])
{
    return pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2];
}

} // namespace

void ComposeRotated(const RotatedComposition& turn, std::span<const std::uint8_t> background,
                    std::span<const std::uint8_t> source, std::int32_t srcWidth, std::int32_t srcHeight,
                    std::span<std::uint8_t> output)
{
    const std::size_t squareBytes = ArrayBytes(turn.side, turn.side);
    if (background.size() < squareBytes || output.size() < squareBytes
        || source.size() < ArrayBytes(srcWidth, srcHeight))
        throw errors::SubscriptOutOfRange();
    if (squareBytes == 0)
        return;

    const FixedDecimal one = FixedDecimal::FromInteger(1);
    const FixedDecimal pivotX = FixedDecimal::FromInteger(turn.pivotX);
    const FixedDecimal pivotY = FixedDecimal::FromInteger(turn.pivotY);
    const std::uint8_t key[3] = {static_cast<std::uint8_t>(turn.keyColor),
                                 static_cast<std::uint8_t>(turn.keyColor >> 8),
                                 static_cast<std::uint8_t>(turn.keyColor >> 16)};
    const auto sourcePixel = [&](std::int64_t x, std::int64_t y) {
        return source.data() + (y * srcWidth + x) * static_cast<std::int64_t>(kBytes);
    };

    for (std::int32_t X = 0; X < turn.side; ++X) {
        const std::int64_t di = std::int64_t{X} - turn.offX - turn.pivotX;
        const FixedDecimal columnC = di * turn.c;
        const FixedDecimal columnS = di * turn.s;
        for (std::int32_t Y = 0; Y < turn.side; ++Y) {
            const std::int64_t dj = std::int64_t{Y} - turn.offY - turn.pivotY;
            const FixedDecimal sx = columnC - dj * turn.s + pivotX;
            const FixedDecimal sy = columnS + dj * turn.c + pivotY;
            const std::int16_t ix = numeric::CheckedInt16(sx.Floor());
            const std::int16_t iy = numeric::CheckedInt16(sy.Floor());

            const std::size_t at = (static_cast<std::size_t>(Y) * turn.side + X) * kBytes;
            const std::uint8_t* back = background.data() + at;
            std::uint8_t* out = output.data() + at;
            std::memcpy(out, back, kBytes);

            // Only positions with a right and a lower neighbour inside the source are drawn.
            if (!(sx >= FixedDecimal() && ix + 1 < srcWidth && sy >= FixedDecimal() && iy + 1 < srcHeight))
                continue;

            const FixedDecimal fx = (sx - FixedDecimal::FromInteger(ix)).Abs();
            const FixedDecimal fy = (sy - FixedDecimal::FromInteger(iy)).Abs();
            const std::uint8_t* p[4] = {sourcePixel(ix, iy), sourcePixel(ix + 1, iy), sourcePixel(ix, iy + 1),
                                        sourcePixel(ix + 1, iy + 1)};
            const FixedDecimal w[4] = {(one - fx) * (one - fy), fx * (one - fy), (one - fx) * fy, fx * fy};
            FixedDecimal a[4];
            for (int n = 0; n < 4; ++n)
                a[n] = IsKey(p[n], key) ? FixedDecimal() : turn.opacity;

            std::uint8_t result[3];
            for (int b = 0; b < 3; ++b) {
                FixedDecimal v;
                for (int n = 0; n < 4; ++n)
                    v = v + w[n] * (std::int64_t{p[n][b]} * a[n] + std::int64_t{back[b]} * (one - a[n]));
                const std::int64_t byte = v.Round();
                if (byte < 0 || byte > 255)
                    throw errors::OverflowError();
                result[b] = static_cast<std::uint8_t>(byte);
            }
            std::memcpy(out, result, 3);
        }
    }
}
