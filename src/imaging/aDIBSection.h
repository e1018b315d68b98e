#pragma once
// The program's in-memory picture: a 24-bit bitmap whose pixel memory is read and
// written directly, kept selected in a memory device context of its own so that block
// transfers can copy pixels into and out of it.
//
// Pixel memory: three bytes per pixel (blue, green, red), rows bottom-up (the first row
// in memory is the picture's bottom row), each row padded to BytesPerScanLine() =
// (3 * Width() + 3) & ~3 bytes. Byte c of pixel x in memory row y lies at
// y * BytesPerScanLine() + 3 * x + c.
//
// An object is either empty (hdc, hDib and DIBSectionBitsPtr all 0) or holds a bitmap.
// The header is written only by CreateDIB, so Width and Height keep reporting the last
// size requested after ClearUp or a failed Create. Arithmetic beyond 32 bits raises
// errors::OverflowError.

#include "imaging/Picture.h"
#include "platform/Gdi.h"

#include <cstdint>
#include <memory>

class aDIBSection {
public:
    aDIBSection() = default;
    ~aDIBSection();
    aDIBSection(const aDIBSection&) = delete;
    aDIBSection& operator=(const aDIBSection&) = delete;

    // With bAsDIB true (the default) only says, in a message box, that a DIB cannot go
    // on the clipboard, and returns false. Otherwise puts a screen-format copy of the
    // picture on the clipboard; true when the clipboard accepted it.
    bool CopyToClipboard(bool bAsDIB = true);
    // Writes the header for lWidth x lHeight (24 bits, bottom-up) and creates the DIB
    // section on lhDC; hDib receives its handle. True when one was created.
    bool CreateDIB(gdi::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, gdi::HBITMAP& hDib);
    // Becomes a 24-bit copy of the picture picd at full size. Reports nothing: success
    // shows in hdc() being non-zero.
    void CreateFromPicture(gdi::HBITMAP picd);
    // The same for a picture the caller no longer needs: a picture already in this class's
    // pixel format (24 bits, bottom-up, as the picture loader decodes JPEG) is taken over
    // instead of copied, which saves a full-size allocation and copy per photo.
    void CreateFromPicture(Picture&& picture);
    // Empties the object, then makes a new lWidth x lHeight bitmap (zeroed memory).
    bool Create(std::int32_t lWidth, std::int32_t lHeight);

    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return header_.biWidth; }
    std::int32_t Height() const { return header_.biHeight; }

    // One block transfer from lhDC into this bitmap at (0, 0); a negative width or height
    // stands for this bitmap's own.
    void LoadPictureBlt(gdi::HDC lhDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0, std::int32_t lSrcWidth = -1,
                        std::int32_t lSrcHeight = -1, std::uint32_t eRop = gdi::SRCCOPY);
    // One block transfer from this bitmap to lhDC, the same size on both sides.
    void PaintPicture(gdi::HDC lhDC, std::int32_t lDestLeft = 0, std::int32_t lDestTop = 0,
                      std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1, std::int32_t lSrcLeft = 0,
                      std::int32_t lSrcTop = 0, std::uint32_t eRop = gdi::SRCCOPY);

    gdi::HDC hdc() const { return hdc_; }
    gdi::HBITMAP hDib() const { return hDib_; }
    std::uint8_t* DIBSectionBitsPtr() const { return bits_; }

    // Fills every pixel with noise seeded from the time of day: grey pixels (bGray) or
    // blue 0 with random green and red. Padding bytes are not touched. Needs a bitmap.
    void RandomiseBits(bool bGray = false);
    // Releases the device context and the bitmap; the header (and so the size) stays.
    void ClearUp();

    // A new bitmap of lNewWidth x lNewHeight computed by the program's bilinear
    // interpolation (a same-size request copies the pixels unchanged). None when the
    // target cannot be created (a size of 0 or less) or when the interpolation raises;
    // such an error (errors::SubscriptOutOfRange for a source 1 pixel wide or high) is
    // passed on after the target is released. This object is never changed.
    //
    // orientation (EXIF's 1..8) says this bitmap holds a picture as a camera stored it:
    // the result is then exactly that of turning the picture upright first, but the
    // sampling reads through the turn, with no turned full-size bitmap and no pass of its
    // own. Sizes are the upright picture's.
    std::unique_ptr<aDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth, int orientation = 1) const;

private:
    void InterpolateInto(aDIBSection& target, int orientation) const;

    gdi::HBITMAP hDib_ = 0;
    gdi::HBITMAP previousBitmap_ = 0;
    gdi::HDC hdc_ = 0;
    std::uint8_t* bits_ = nullptr;
    gdi::BITMAPINFOHEADER header_;
};
