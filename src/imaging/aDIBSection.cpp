#include "aDIBSection.h"

#include "platform/Errors.h"
#include "platform/MessageBox.h"
#include "platform/Numeric.h"

#include <QTime>

#include <random>

aDIBSection::~aDIBSection()
{
    ClearUp();
}

std::int32_t aDIBSection::BytesPerScanLine() const
{
    return numeric::CheckedInt32(gdi::RowStride(header_.biWidth, 24));
}

bool aDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight)
{
    ClearUp();
    hdc_ = gdi::CreateCompatibleDC(0);
    if (!hdc_)
        return false;
    if (CreateDIB(hdc_, lWidth, lHeight, hDib_)) {
        previousBitmap_ = gdi::SelectObject(hdc_, hDib_);
        return true;
    }
    gdi::DeleteDC(hdc_);
    hdc_ = 0;
    return false;
}

bool aDIBSection::CreateDIB(gdi::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, gdi::HBITMAP& hDib)
{
    header_.biSize = sizeof(gdi::BITMAPINFOHEADER);
    header_.biWidth = lWidth;
    header_.biHeight = lHeight;
    header_.biPlanes = 1;
    header_.biBitCount = 24;
    header_.biCompression = gdi::BI_RGB;
    header_.biSizeImage = static_cast<std::uint32_t>(numeric::Mul32(BytesPerScanLine(), lHeight));

    // Only positive sizes: a negative height would make a top-down bitmap, and every
    // bitmap of this class is bottom-up.
    void* bits = nullptr;
    hDib = lWidth > 0 && lHeight > 0 ? gdi::CreateDIBSection(lhDC, header_, gdi::DIB_RGB_COLORS, &bits, 0, 0) : 0;
    bits_ = static_cast<std::uint8_t*>(bits);
    return hDib != 0;
}

void aDIBSection::CreateFromPicture(gdi::HBITMAP picd)
{
    gdi::BITMAP description;
    gdi::GetObject(picd, description);
    if (!Create(description.bmWidth, description.bmHeight))
        return;
    const gdi::HWND desktop = gdi::GetDesktopWindow();
    const gdi::HDC screen = gdi::GetDC(desktop);
    if (!screen)
        return;
    const gdi::HDC source = gdi::CreateCompatibleDC(screen);
    gdi::ReleaseDC(desktop, screen);
    if (!source)
        return;
    const gdi::HBITMAP replaced = gdi::SelectObject(source, picd);
    LoadPictureBlt(source, 0, 0, -1, -1, gdi::SRCCOPY);
    gdi::SelectObject(source, replaced);
    gdi::DeleteDC(source);
}

void aDIBSection::CreateFromPicture(Picture&& picture)
{
    gdi::BITMAPINFOHEADER header;
    if (!gdi::GetDIBHeader(picture.Handle(), header) || header.biBitCount != 24 || header.biHeight <= 0) {
        CreateFromPicture(picture.Handle());
        return;
    }
    ClearUp();
    hdc_ = gdi::CreateCompatibleDC(0);
    if (!hdc_)
        return;
    header_ = header;
    gdi::BITMAP description;
    gdi::GetObject(picture.Handle(), description);
    hDib_ = picture.Release();
    bits_ = static_cast<std::uint8_t*>(description.bmBits);
    previousBitmap_ = gdi::SelectObject(hdc_, hDib_);
}

void aDIBSection::LoadPictureBlt(gdi::HDC lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int32_t lSrcWidth,
                                 std::int32_t lSrcHeight, std::uint32_t eRop)
{
    if (lSrcWidth < 0)
        lSrcWidth = Width();
    if (lSrcHeight < 0)
        lSrcHeight = Height();
    gdi::BitBlt(hdc_, 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void aDIBSection::PaintPicture(gdi::HDC lhDC, std::int32_t lDestLeft, std::int32_t lDestTop, std::int32_t lDestWidth,
                               std::int32_t lDestHeight, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                               std::uint32_t eRop)
{
    if (lDestWidth < 0)
        lDestWidth = Width();
    if (lDestHeight < 0)
        lDestHeight = Height();
    gdi::BitBlt(lhDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, hdc_, lSrcLeft, lSrcTop, eRop);
}

void aDIBSection::ClearUp()
{
    if (hdc_) {
        if (hDib_) {
            gdi::SelectObject(hdc_, previousBitmap_);
            gdi::DeleteObject(hDib_);
        }
        gdi::DeleteDC(hdc_);
    }
    hdc_ = 0;
    hDib_ = 0;
    previousBitmap_ = 0;
    bits_ = nullptr;
}

bool aDIBSection::CopyToClipboard(bool bAsDIB)
{
    bool result = false;
    const gdi::HWND desktop = gdi::GetDesktopWindow();
    const gdi::HDC screen = gdi::GetDC(desktop);
    if (!screen)
        return false;
    const gdi::HDC memory = gdi::CreateCompatibleDC(screen);
    if (!memory) {
        gdi::ReleaseDC(desktop, screen);
        return false;
    }
    if (bAsDIB) {
        platform::MessageBox(
            QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"),
            platform::ProgramTitle(), platform::MsgIcon::None, platform::MsgButtons::OK);
    } else if (const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(screen, Width(), Height())) {
        const gdi::HBITMAP previous = gdi::SelectObject(memory, bitmap);
        PaintPicture(memory, 0, 0, -1, -1, 0, 0, gdi::SRCCOPY);
        gdi::SelectObject(memory, previous);
        bool accepted = false;
        if (gdi::OpenClipboard(0)) {
            gdi::EmptyClipboard();
            accepted = gdi::SetClipboardData(gdi::CF_BITMAP, bitmap) != 0;
            result = accepted;
            gdi::CloseClipboard();
        }
        // A bitmap the clipboard did not take is still ours to free.
        if (!accepted)
            gdi::DeleteObject(bitmap);
    }
    gdi::DeleteDC(memory);
    gdi::ReleaseDC(desktop, screen);
    return result;
}

void aDIBSection::RandomiseBits(bool bGray)
{
    if (!bits_)
        return; // nothing to fill: the header may still report an old size
    std::mt19937 generator(static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    const auto level = [&] { return static_cast<std::uint8_t>(numeric::ToInt32(draw(generator) * 255)); };

    const std::int32_t stride = BytesPerScanLine();
    const std::int32_t width = Width();
    const std::int32_t height = Height();
    if (bGray) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                std::uint8_t* pixel = bits_ + std::int64_t{y} * stride + 3 * std::int64_t{x};
                pixel[0] = pixel[1] = pixel[2] = level();
            }
        }
    } else {
        for (std::int32_t x = 0; x < width; ++x) {
            for (std::int32_t y = 0; y < height; ++y) {
                std::uint8_t* pixel = bits_ + std::int64_t{y} * stride + 3 * std::int64_t{x};
                pixel[0] = 0;
                pixel[1] = level();
                pixel[2] = level();
            }
        }
    }
}
