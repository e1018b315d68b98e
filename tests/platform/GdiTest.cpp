#include "platform/Gdi.h"

#include <gtest/gtest.h>

using namespace gdi;

namespace {

BITMAPINFOHEADER Header(std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    BITMAPINFOHEADER header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    return header;
}

// A context with a fresh DIB selected; cleans both up.
struct Surface {
    Surface(std::int32_t width, std::int32_t height, std::uint16_t bits)
    {
        dc = CreateCompatibleDC(0);
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, Header(width, height, bits), DIB_RGB_COLORS, &memory);
        pixels = static_cast<std::uint8_t*>(memory);
        previous = SelectObject(dc, bitmap);
    }
    ~Surface()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc = 0;
    HBITMAP bitmap = 0, previous = 0;
    std::uint8_t* pixels = nullptr;
};

} // namespace

TEST(Gdi, DibSectionsHaveZeroedPaddedRowsInTheirOrientation)
{
    const int before = LiveObjectCount();
    {
        Surface bottomUp(3, 2, 24);
        ASSERT_NE(bottomUp.bitmap, 0u);
        BITMAP description;
        ASSERT_TRUE(GetObject(bottomUp.bitmap, description));
        EXPECT_EQ(description.bmWidth, 3);
        EXPECT_EQ(description.bmHeight, 2);
        EXPECT_EQ(description.bmWidthBytes, 12);
        EXPECT_EQ(description.bmBitsPixel, 24);
        for (int i = 0; i < 24; ++i)
            EXPECT_EQ(bottomUp.pixels[i], 0);

        // Copy a top-down 32-bit picture in: its top row must land in the last memory row.
        Surface topDown(3, -2, 32);
        topDown.pixels[0] = 10;
        topDown.pixels[1] = 20;
        topDown.pixels[2] = 30;  // top-left
        topDown.pixels[12] = 40; // bottom-left blue
        ASSERT_TRUE(BitBlt(bottomUp.dc, 0, 0, 3, 2, topDown.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(bottomUp.pixels[12 + 0], 10);
        EXPECT_EQ(bottomUp.pixels[12 + 1], 20);
        EXPECT_EQ(bottomUp.pixels[12 + 2], 30);
        EXPECT_EQ(bottomUp.pixels[0], 40);
        EXPECT_EQ(bottomUp.pixels[9], 0); // padding untouched
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(Gdi, RasterOperationsAndClipping)
{
    Surface dst(2, -1, 24), src(2, -1, 24);
    dst.pixels[0] = 0xF0;
    dst.pixels[3] = 0x0F;
    src.pixels[0] = 0x3C;
    src.pixels[3] = 0x3C;
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCAND));
    EXPECT_EQ(dst.pixels[0], 0x30);
    ASSERT_TRUE(BitBlt(dst.dc, 1, 0, 1, 1, src.dc, 1, 0, SRCPAINT));
    EXPECT_EQ(dst.pixels[3], 0x3F);
    // A block that reaches outside either bitmap copies only the overlapping part.
    src.pixels[0] = 7;
    ASSERT_TRUE(BitBlt(dst.dc, 1, 0, 5, 5, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.pixels[3], 7);
    EXPECT_TRUE(BitBlt(dst.dc, -2147483647 - 1, 0, 2147483647, 1, src.dc, 2147483647, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x12345678));
}

TEST(Gdi, BadHandlesAndGeometryFailWithoutHarm)
{
    BITMAP description;
    EXPECT_FALSE(GetObject(0xDEAD, description));
    EXPECT_EQ(description.bmWidth, 0);
    EXPECT_EQ(SelectObject(0xDEAD, 0xBEEF), 0u);
    EXPECT_FALSE(DeleteObject(0xDEAD));
    EXPECT_FALSE(DeleteDC(0xDEAD));
    const HDC dc = CreateCompatibleDC(0);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(dc, Header(0, 0, 24), DIB_RGB_COLORS, &bits), 0u);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(CreateDIBSection(dc, Header(65535, 65535, 24), DIB_RGB_COLORS, &bits), 0u);
    EXPECT_EQ(CreateDIBSection(dc, Header(4, 4, 8), DIB_RGB_COLORS, &bits), 0u);
    // A bitmap selected into a context cannot be deleted under it.
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    const HBITMAP previous = SelectObject(dc, bitmap);
    EXPECT_FALSE(DeleteObject(bitmap));
    SelectObject(dc, previous);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Gdi, QtBridgeKeepsColours)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(250, 251, 252));
    const HBITMAP bitmap = CreateBitmapFromImage(image);
    const QImage back = ImageOf(bitmap);
    EXPECT_EQ(back.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(back.pixel(1, 0), qRgb(250, 251, 252));

    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP previous = SelectObject(dc, bitmap);
    QImage surface = SurfaceOf(dc);
    ASSERT_FALSE(surface.isNull());
    surface.setPixel(0, 0, qRgb(9, 8, 7));
    EXPECT_EQ(ImageOf(bitmap).pixel(0, 0), qRgb(9, 8, 7)); // the surface is a view, not a copy
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
