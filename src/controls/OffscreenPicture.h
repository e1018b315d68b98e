#pragma once
// A persistent off-screen picture with its own device context: a 32-bit bitmap selected
// into a memory context for the object's whole life. The icon strips, the icon library's
// scratch pictures and the button's drawing surface are of this kind.

#include "platform/Gdi.h"

#include <QImage>

#include <cstdint>

class OffscreenPicture {
public:
    // A white picture of width x height pixels; an empty one (hdc() still valid, no
    // bitmap) when the size is unusable.
    OffscreenPicture(std::int32_t width, std::int32_t height);
    // A picture holding a copy of image (converted to 32 bits).
    explicit OffscreenPicture(const QImage& image);
    ~OffscreenPicture();
    OffscreenPicture(const OffscreenPicture&) = delete;
    OffscreenPicture& operator=(const OffscreenPicture&) = delete;

    gdi::HDC hdc() const { return dc_; }
    gdi::HBITMAP Bitmap() const { return bitmap_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // A copy of the pixels (a null image for an empty picture).
    QImage Image() const;

    // Gives the picture a new size; the pixels that stay inside keep their values, new
    // ones are white. False (picture unchanged) when the new bitmap cannot be made.
    bool Resize(std::int32_t width, std::int32_t height);

private:
    void Select(gdi::HBITMAP bitmap, std::int32_t width, std::int32_t height);

    gdi::HDC dc_ = 0;
    gdi::HBITMAP bitmap_ = 0;
    gdi::HBITMAP previous_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};
