#include "StdImage.h"

#include "imaging/RotatedComposition.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A memory device context with a 32-bit top-down DIB section selected: pixel memory
// that block transfers can fill and empty. The context's own bitmap goes back in before
// the section is deleted, and the context goes last.
class MemorySurface {
public:
    MemorySurface(std::int32_t width, std::int32_t height)
        : width_(width), height_(height), dc_(gdi::CreateCompatibleDC(0))
    {
        gdi::BITMAPINFOHEADER header;
        header.biSize = sizeof(header);
        header.biWidth = width;
        header.biHeight = -height; // top-down
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = gdi::BI_RGB;
        void* bits = nullptr;
        bitmap_ = gdi::CreateDIBSection(dc_, header, gdi::DIB_RGB_COLORS, &bits);
        if (!dc_ || !bitmap_) {
            gdi::DeleteObject(bitmap_);
            gdi::DeleteDC(dc_);
            throw errors::RuntimeError("Out of memory");
        }
        bits_ = static_cast<std::uint8_t*>(bits);
        previous_ = gdi::SelectObject(dc_, bitmap_);
    }
    ~MemorySurface()
    {
        gdi::SelectObject(dc_, previous_);
        gdi::DeleteObject(bitmap_);
        gdi::DeleteDC(dc_);
    }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    gdi::HDC dc() const { return dc_; }
    // Rows of width 32-bit pixels follow each other without padding.
    std::span<std::uint8_t> Pixels() const
    {
        return {bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4};
    }

private:
    std::int32_t width_;
    std::int32_t height_;
    gdi::HDC dc_;
    gdi::HBITMAP bitmap_ = 0;
    gdi::HBITMAP previous_ = 0;
    std::uint8_t* bits_ = nullptr;
};

// A memory device context with a caller's bitmap selected, to copy pixels out of it.
class SelectedBitmap {
public:
    explicit SelectedBitmap(gdi::HBITMAP bitmap) : dc_(gdi::CreateCompatibleDC(0))
    {
        previous_ = gdi::SelectObject(dc_, bitmap);
        if (!previous_) {
            gdi::DeleteDC(dc_);
            throw errors::ObjectRequired();
        }
    }
    ~SelectedBitmap()
    {
        gdi::SelectObject(dc_, previous_);
        gdi::DeleteDC(dc_);
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;

    gdi::HDC dc() const { return dc_; }

private:
    gdi::HDC dc_;
    gdi::HBITMAP previous_ = 0;
};

// Half a size, to the nearest whole pixel with ties to even (15 -> 8, 17 -> 8).
std::int16_t Middle(std::int32_t size)
{
    return numeric::ToInt16(size / 2.0);
}

} // namespace

namespace StdImage {

void DrawRotated(gdi::HDC hdcDest, FixedDecimal angle, std::int32_t centerX, std::int32_t centerY,
                 std::int32_t srcWidth, std::int32_t srcHeight, gdi::HBITMAP hBitmap, std::uint32_t keyColor,
                 FixedDecimal opacity, FixedDecimal zoom, std::int16_t& pivotX, std::int16_t& pivotY)
{
    // The square must hold the source at every angle: its diagonal, and for a pivot off
    // the middle also the pivot's distance from the middle.
    const double diagonal = std::sqrt(
        static_cast<double>(numeric::Add32(numeric::Mul32(srcWidth, srcWidth), numeric::Mul32(srcHeight, srcHeight))));
    double reach = diagonal;
    if (pivotX != kPivotNotGiven) {
        if (pivotY == kPivotNotGiven)
            pivotY = Middle(srcHeight);
        const double dx = pivotX - srcWidth / 2.0;
        const double dy = pivotY - srcHeight / 2.0;
        reach = diagonal + std::sqrt(dx * dx + dy * dy);
    }
    const std::int32_t side = numeric::ToInt32(zoom.ToDouble() * std::floor(reach));

    if (pivotX == kPivotNotGiven)
        pivotX = Middle(srcWidth);
    if (pivotY == kPivotNotGiven)
        pivotY = Middle(srcHeight);

    const std::int32_t left = numeric::ToInt32(centerX - side / 2.0);
    const std::int32_t top = numeric::ToInt32(centerY - side / 2.0);

    // No square, or no source pixel with a right and a lower neighbour: nothing changes.
    if (side <= 0 || srcWidth < 2 || srcHeight < 2)
        return;

    RotatedComposition turn;
    turn.side = side;
    turn.offX = static_cast<std::int32_t>(std::floor((std::int64_t{side} - srcWidth) / 2.0));
    turn.offY = static_cast<std::int32_t>(std::floor((std::int64_t{side} - srcHeight) / 2.0));
    turn.pivotX = pivotX;
    turn.pivotY = pivotY;
    turn.keyColor = keyColor;
    turn.opacity = opacity;
    if (angle == FixedDecimal::FromInteger(90)) {
        // A quarter turn is exact (the general path would see 90 x 0.0175 = 1.575 rad) and
        // is not scaled: the zoom only sizes the square here.
        turn.c = FixedDecimal();
        turn.s = FixedDecimal::FromInteger(1);
    } else {
        const double radians = (angle * FixedDecimal::FromUnits(175)).ToDouble();
        turn.c = FixedDecimal::FromDouble(std::cos(radians) / zoom.ToDouble());
        turn.s = FixedDecimal::FromDouble(std::sin(radians) / zoom.ToDouble());
    }

    // What the destination shows under the square, and the source from its top row.
    MemorySurface square(side, side);
    gdi::BitBlt(square.dc(), 0, 0, side, side, hdcDest, left, top, gdi::SRCCOPY);
    const SelectedBitmap picture(hBitmap);
    const MemorySurface source(srcWidth, srcHeight);
    gdi::BitBlt(source.dc(), 0, 0, srcWidth, srcHeight, picture.dc(), 0, 0, gdi::SRCCOPY);

    std::vector<std::uint8_t> output(square.Pixels().size());
    ComposeRotated(turn, square.Pixels(), source.Pixels(), srcWidth, srcHeight, output);

    // Only a finished square reaches the destination, in one transfer.
    std::memcpy(square.Pixels().data(), output.data(), output.size());
    gdi::BitBlt(hdcDest, left, top, side, side, square.dc(), 0, 0, gdi::SRCCOPY);
}

} // namespace StdImage
