#include "OffscreenPicture.h"

#include "draw/GdiDraw.h"

OffscreenPicture::OffscreenPicture(std::int32_t width, std::int32_t height) : dc_(gdi::CreateCompatibleDC(0))
{
    Resize(width, height);
}

OffscreenPicture::OffscreenPicture(const QImage& image) : dc_(gdi::CreateCompatibleDC(0))
{
    if (const gdi::HBITMAP bitmap = gdi::CreateBitmapFromImage(image))
        Select(bitmap, image.width(), image.height());
}

OffscreenPicture::~OffscreenPicture()
{
    // The context's own bitmap goes back in before ours is deleted.
    if (bitmap_) {
        gdi::SelectObject(dc_, previous_);
        gdi::DeleteObject(bitmap_);
    }
    gdi::DeleteDC(dc_);
}

QImage OffscreenPicture::Image() const
{
    return gdi::ImageOf(bitmap_);
}

bool OffscreenPicture::Resize(std::int32_t width, std::int32_t height)
{
    const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(dc_, width, height);
    if (!bitmap)
        return false;
    const gdi::HDC scratch = gdi::CreateCompatibleDC(dc_);
    const gdi::HBITMAP placeholder = gdi::SelectObject(scratch, bitmap);
    gdi::FillBox(scratch, 0, 0, width - 1, height - 1, Qt::white);
    if (bitmap_)
        gdi::BitBlt(scratch, 0, 0, width_, height_, dc_, 0, 0, gdi::SRCCOPY);
    gdi::SelectObject(scratch, placeholder);
    gdi::DeleteDC(scratch);
    Select(bitmap, width, height);
    return true;
}

void OffscreenPicture::Select(gdi::HBITMAP bitmap, std::int32_t width, std::int32_t height)
{
    const gdi::HBITMAP replaced = gdi::SelectObject(dc_, bitmap);
    if (bitmap_)
        gdi::DeleteObject(bitmap_);
    else
        previous_ = replaced;
    bitmap_ = bitmap;
    width_ = width;
    height_ = height;
}
