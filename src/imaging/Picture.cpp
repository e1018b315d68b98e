#include "Picture.h"

#include <utility>

Picture::~Picture()
{
    if (bitmap_)
        gdi::DeleteObject(bitmap_);
}

Picture::Picture(Picture&& other) noexcept : bitmap_(std::exchange(other.bitmap_, 0)) {}

Picture& Picture::operator=(Picture&& other) noexcept
{
    if (this != &other) {
        if (bitmap_)
            gdi::DeleteObject(bitmap_);
        bitmap_ = std::exchange(other.bitmap_, 0);
    }
    return *this;
}

std::int32_t Picture::Width() const
{
    gdi::BITMAP description;
    gdi::GetObject(bitmap_, description);
    return description.bmWidth;
}

std::int32_t Picture::Height() const
{
    gdi::BITMAP description;
    gdi::GetObject(bitmap_, description);
    return description.bmHeight;
}
