#include "Bitmap24.h"

#include <cstring>
#include <optional>

namespace imaging {

bool FitsInMemory(std::int32_t width, std::int32_t height, int copies, std::int64_t extraBytes)
{
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > gdi::kMaxBitmapPixels)
        return false;
    const std::int64_t stride = gdi::RowStride(width, 24);
    return stride * height * copies + extraBytes <= AvailableMemoryBytes();
}

Bitmap24 NewBitmap24(std::int32_t width, std::int32_t height, bool filledByCaller)
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
    std::optional<UnzeroedBitmaps> unzeroed;
    if (filledByCaller)
        unzeroed.emplace();
    const gdi::HBITMAP bitmap = gdi::CreateDIBSection(0, header, gdi::DIB_RGB_COLORS, &bits);
    unzeroed.reset();
    if (!bitmap)
        return result;
    const std::int64_t stride = gdi::RowStride(width, 24);
    const std::int64_t used = std::int64_t{width} * 3;
    if (filledByCaller && stride > used) {
        for (std::int32_t y = 0; y < height; ++y)
            std::memset(static_cast<std::uint8_t*>(bits) + y * stride + used, 0,
                        static_cast<std::size_t>(stride - used));
    }
    result.picture = Picture(bitmap);
    result.bits = static_cast<std::uint8_t*>(bits);
    result.stride = stride;
    result.width = width;
    result.height = height;
    return result;
}

} // namespace imaging
