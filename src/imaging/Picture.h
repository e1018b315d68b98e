#pragma once
// A decoded picture in memory: the picture loader's result, which
// aDIBSection::CreateFromPicture takes over (or copies from, when it is in another pixel
// format). It owns one bitmap of the drawing layer,
// with the picture's width and height, upright.

#include "platform/Gdi.h"

#include <cstdint>
#include <utility>

class Picture {
public:
    Picture() = default;
    // Takes ownership of bitmap (0 for an empty picture).
    explicit Picture(gdi::HBITMAP bitmap) : bitmap_(bitmap) {}
    ~Picture();
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    gdi::HBITMAP Handle() const { return bitmap_; }
    // Gives up the bitmap to the caller, who deletes it; the picture becomes empty.
    gdi::HBITMAP Release() { return std::exchange(bitmap_, 0); }
    bool IsEmpty() const { return bitmap_ == 0; }
    std::int32_t Width() const;
    std::int32_t Height() const;

private:
    gdi::HBITMAP bitmap_ = 0;
};
