#include "imaging/aDIBSection.h"
#include "common/PictureFromImage.h"
#include "draw/ClipboardBridge.h"
#include "imaging/Picture.h"
#include "platform/Errors.h"
#include "platform/Gdi.h"
#include "platform/MessageBox.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(aDIBSectionLayout, RowsArePaddedToFourBytes)
{
    const std::pair<int, int> expected[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {640, 1920}};
    for (const auto& [width, stride] : expected) {
        aDIBSection dib;
        ASSERT_TRUE(dib.Create(width, 2)) << width;
        EXPECT_EQ(dib.BytesPerScanLine(), stride) << width;
        gdi::BITMAP description;
        ASSERT_TRUE(gdi::GetObject(dib.hDib(), description));
        EXPECT_EQ(description.bmWidthBytes, stride);
        EXPECT_EQ(description.bmBitsPixel, 24);
    }
}

TEST(aDIBSectionLayout, FirstMemoryRowIsTheBottomRow)
{
    // A picture whose top row is red and bottom row blue.
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    for (int x = 0; x < 3; ++x) {
        image.setPixel(x, 0, qRgb(255, 0, 0));
        image.setPixel(x, 1, qRgb(0, 0, 255));
    }
    const Picture picture = testfiles::PictureFromImage(image);
    aDIBSection dib;
    dib.CreateFromPicture(picture.Handle());
    ASSERT_NE(dib.hdc(), 0u);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    const std::uint8_t expected[24] = {255, 0, 0,   255, 0, 0,   255, 0, 0,   0, 0, 0,  // bottom row: blue, padding
                                       0,   0, 255, 0,   0, 255, 0,   0, 255, 0, 0, 0}; // top row: red, padding
    EXPECT_EQ(0, std::memcmp(bits, expected, sizeof expected));
}

TEST(aDIBSectionLifecycle, FreshObjectReportsZeros)
{
    aDIBSection dib;
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.BytesPerScanLine(), 0);
    EXPECT_EQ(dib.hdc(), 0u);
    EXPECT_EQ(dib.hDib(), 0u);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
}

TEST(aDIBSectionLifecycle, ClearUpReleasesEverythingButKeepsTheSize)
{
    const int before = gdi::LiveObjectCount();
    {
        aDIBSection dib;
        ASSERT_TRUE(dib.Create(3, 2));
        EXPECT_NE(dib.hdc(), 0u);
        EXPECT_NE(dib.hDib(), 0u);
        EXPECT_NE(dib.DIBSectionBitsPtr(), nullptr);
        dib.ClearUp();
        EXPECT_EQ(dib.hdc(), 0u);
        EXPECT_EQ(dib.hDib(), 0u);
        EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(dib.Width(), 3);
        EXPECT_EQ(dib.Height(), 2);
        EXPECT_EQ(gdi::LiveObjectCount(), before);
        ASSERT_TRUE(dib.Create(5, 5)); // reusable after ClearUp; destruction releases it
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST(aDIBSectionLifecycle, FailedCreateLeavesAnEmptyObjectWithTheRequestedSize)
{
    const int before = gdi::LiveObjectCount();
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    EXPECT_FALSE(dib.Create(0, 7));
    EXPECT_EQ(dib.hdc(), 0u);
    EXPECT_EQ(dib.hDib(), 0u);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_EQ(gdi::LiveObjectCount(), before);
    EXPECT_FALSE(dib.Create(-3, 2));
    EXPECT_FALSE(dib.Create(3, -2));
}

TEST(aDIBSectionLifecycle, SizesBeyondThirtyTwoBitsRaiseOverflow)
{
    aDIBSection dib;
    EXPECT_THROW(dib.Create(715827882, 1), errors::OverflowError); // 3w + 3 does not fit
    EXPECT_THROW((void)dib.BytesPerScanLine(), errors::OverflowError);
    EXPECT_THROW(dib.Create(65535, 65535), errors::OverflowError); // image size does not fit
    EXPECT_EQ(dib.BytesPerScanLine(), 196608);
    EXPECT_EQ(dib.hDib(), 0u);
}

TEST(aDIBSectionLifecycle, PictureThatIsNoBitmapGivesAnEmptyObject)
{
    aDIBSection dib;
    dib.CreateFromPicture(0xDEADBEEF);
    EXPECT_EQ(dib.hdc(), 0u);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
}

TEST(aDIBSectionTransfers, WholeBitmapWithMinusOneSizes)
{
    aDIBSection a, b;
    ASSERT_TRUE(a.Create(5, 3));
    ASSERT_TRUE(b.Create(5, 3));
    a.RandomiseBits(true);
    b.LoadPictureBlt(a.hdc());
    EXPECT_EQ(0, std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), 16 * 3));

    aDIBSection c;
    ASSERT_TRUE(c.Create(5, 3));
    a.PaintPicture(c.hdc());
    EXPECT_EQ(0, std::memcmp(a.DIBSectionBitsPtr(), c.DIBSectionBitsPtr(), 16 * 3));
}

TEST(aDIBSectionRandomise, GreyPixelsHaveThreeEqualBytesAndPaddingIsKept)
{
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(5, 7)); // stride 16: one padding byte per row
    std::uint8_t* bits = dib.DIBSectionBitsPtr();
    for (int y = 0; y < 7; ++y)
        bits[y * 16 + 15] = 0xA5;
    dib.RandomiseBits(true);
    bool anyNonZero = false;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* p = bits + y * 16 + 3 * x;
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            anyNonZero |= p[0] != 0;
        }
        EXPECT_EQ(bits[y * 16 + 15], 0xA5);
    }
    EXPECT_TRUE(anyNonZero);
}

TEST(aDIBSectionRandomise, ColourNoiseHasNoBlueAndPaddingIsKept)
{
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(5, 7));
    std::uint8_t* bits = dib.DIBSectionBitsPtr();
    std::memset(bits, 0xA5, 16 * 7);
    dib.RandomiseBits(false);
    bool greenDiffersFromRed = false;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* p = bits + y * 16 + 3 * x;
            EXPECT_EQ(p[0], 0);
            greenDiffersFromRed |= p[1] != p[2];
        }
        EXPECT_EQ(bits[y * 16 + 15], 0xA5);
    }
    EXPECT_TRUE(greenDiffersFromRed);
    aDIBSection empty;
    empty.RandomiseBits(); // no bitmap: nothing to do, nothing breaks
}

TEST(aDIBSectionClipboard, DibRequestOnlyShowsTheMessage)
{
    platform::MessageBoxRecorder boxes;
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(1, 1));
    EXPECT_FALSE(dib.CopyToClipboard());
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0],
              (platform::MessageBoxCall{"I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!",
                                        "Zimbrel", platform::MsgIcon::None, platform::MsgButtons::OK}));
}

TEST(aDIBSectionClipboard, BitmapRequestPutsThePictureOnTheClipboard)
{
    platform::MessageBoxRecorder boxes;
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(1, 1));
    std::uint8_t* bits = dib.DIBSectionBitsPtr();
    bits[0] = 30;
    bits[1] = 20;
    bits[2] = 10; // blue, green, red
    // Nothing to publish to until the desktop's clipboard is connected.
    gdi::SetClipboardPublisher({});
    EXPECT_FALSE(dib.CopyToClipboard(false));
    ASSERT_TRUE(draw::ConnectClipboard());
    EXPECT_TRUE(dib.CopyToClipboard(false));
    EXPECT_TRUE(boxes.Calls().empty());
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(1, 1));
    EXPECT_EQ(copied.pixel(0, 0) & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF);
}

TEST(aDIBSectionLifecycle, PictureInTheSameFormatIsTakenOverNotCopied)
{
    const int before = gdi::LiveObjectCount();
    {
        gdi::BITMAPINFOHEADER header;
        header.biSize = sizeof header;
        header.biWidth = 3;
        header.biHeight = 2;
        header.biPlanes = 1;
        header.biBitCount = 24;
        void* bits = nullptr;
        Picture picture(gdi::CreateDIBSection(0, header, gdi::DIB_RGB_COLORS, &bits));
        ASSERT_FALSE(picture.IsEmpty());
        static_cast<std::uint8_t*>(bits)[12] = 77; // top-left blue (second memory row)

        aDIBSection dib;
        dib.CreateFromPicture(std::move(picture));
        EXPECT_TRUE(picture.IsEmpty());
        EXPECT_EQ(dib.DIBSectionBitsPtr(), bits);
        EXPECT_EQ(dib.Width(), 3);
        EXPECT_EQ(dib.Height(), 2);
        EXPECT_EQ(dib.BytesPerScanLine(), 12);
        EXPECT_EQ(dib.DIBSectionBitsPtr()[12], 77);
        const auto copy = dib.Resample(2, 3); // behaves like any other bitmap
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->DIBSectionBitsPtr()[12], 77);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before);

    // Another format is copied as usual and the picture keeps its bitmap.
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    Picture picture = testfiles::PictureFromImage(image);
    aDIBSection dib;
    dib.CreateFromPicture(std::move(picture));
    EXPECT_FALSE(picture.IsEmpty());
    ASSERT_NE(dib.hdc(), 0u);
    EXPECT_EQ(dib.DIBSectionBitsPtr()[0], 30);
}
