#include "Bitmap24.h"

namespace imaging {

bool FitsInMemory(std::int32_t width, std::int32_t height, int copies, std::int64_t extraBytes)
{
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > gdi::kMaxBitmapPixels)
        return false;
    const std::int64_t stride = gdi::RowStride(width, 24);
    return stride * height * copies + extraBytes <= AvailableMemoryBytes();
}

Bitmap24 NewBitmap24(std::int32_t width, std::int32_t height)
{
    Bitmap24 result;
    if (!FitsInMemory(width, height, 1))
        return result;
    gdi::BITMAPINFOHEADER header;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // positive: bottom-up, like every aDIBSection
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = gdi::BI_RGB;
    void* bits = nullptr;
    const gdi::HBITMAP bitmap = gdi::CreateDIBSection(0, header, gdi::DIB_RGB_COLORS, &bits);
    if (!bitmap)
        return result;
    result.picture = Picture(bitmap);
    const std::int64_t stride = gdi::RowStride(width, 24);
    result.bits = static_cast<std::uint8_t*>(bits);
    result.stride = stride;
    result.width = width;
    result.height = height;
    return result;
}

} // namespace imaging
