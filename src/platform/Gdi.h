#pragma once
// The drawing-surface layer: bitmaps over plain pixel memory, memory device contexts
// that hold one selected bitmap, block transfers with the three raster operations the
// program uses, and the clipboard. Handles are numbers looked up in a table, so a stale
// or made-up handle makes a call fail instead of touching freed memory.
//
// Safe to call from several threads at once: the table is locked for the few map
// operations of a call only, never while pixel memory is allocated, filled or freed.
//
// Pixel formats: 24 bits (blue, green, red) or 32 bits (blue, green, red, unused byte
// kept at 0xFF so the memory is a valid QImage::Format_RGB32 row), rows padded to 4
// bytes, bottom-up or top-down. All pixel work is plain C++ and exact; Qt is only a way
// to draw on 32-bit surfaces with QPainter and to reach the clipboard.

#include <QImage>

#include <cstdint>

namespace gdi {

using HDC = std::uintptr_t;
using HBITMAP = std::uintptr_t;
using HWND = std::uintptr_t;

constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t DIB_RGB_COLORS = 0;
constexpr std::uint32_t CF_BITMAP = 2;

// The 40-byte bitmap description of a device-independent bitmap.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: rows bottom-up; negative: top-down
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// What GetObject tells about a bitmap.
struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

// Largest pixel count a bitmap may have; larger requests fail before any allocation.
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 30;

// Bytes per memory row of a bitmap width pixels wide at bitsPerPixel (24 or 32): the
// pixels' bytes, padded to a multiple of 4.
constexpr std::int64_t RowStride(std::int32_t width, std::int32_t bitsPerPixel)
{
    return (std::int64_t{width} * bitsPerPixel / 8 + 3) & ~std::int64_t{3};
}

// Where pixel memory comes from: take hands out memory of at least bytes, zeroed unless
// the bitmap's maker told the source it writes every byte itself (its capacity in
// *capacity, null when memory runs out); give takes it back with that capacity.
// Installed once, before the first bitmap; without it, zeroed memory from the C heap.
struct PixelSource {
    std::uint8_t* (*take)(std::int64_t bytes, std::int64_t* capacity) = nullptr;
    void (*give)(std::uint8_t* memory, std::int64_t capacity) = nullptr;
};
void SetPixelSource(const PixelSource& source);

// A memory device context compatible with the screen (reference 0) or with another one.
// It starts with a 1 x 1 placeholder bitmap selected, as the platform's do.
HDC CreateCompatibleDC(HDC reference);
bool DeleteDC(HDC dc);

// A 24- or 32-bit bitmap over zeroed pixel memory described by header; *bits receives
// the first byte of that memory. 0 (and *bits null) when the header is unusable (zero
// or negative width, zero height, another bit count, compression) or memory runs out.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFOHEADER& header, std::uint32_t usage, void** bits,
                         std::uintptr_t section = 0, std::uint32_t offset = 0);
// A 32-bit top-down bitmap, the screen's format. 0 for empty or absurd sizes.
HBITMAP CreateCompatibleBitmap(HDC dc, std::int32_t width, std::int32_t height);
// Selects a bitmap into a context and returns the one it replaces (0 on failure).
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
// Deletes a bitmap; fails while it is selected into a context.
bool DeleteObject(HBITMAP bitmap);
// The bitmap's description; false (and a zeroed description) for anything else.
bool GetObject(HBITMAP bitmap, BITMAP& description);
// The description a DIB section was made with (height negative for top-down rows); false
// (and a zeroed header) for anything else.
bool GetDIBHeader(HBITMAP bitmap, BITMAPINFOHEADER& header);

// Copies a width x height block from src at (srcX, srcY) to dst at (x, y) with rop
// (SRCCOPY, SRCAND or SRCPAINT), converting between the pixel formats. The block is
// clipped to both bitmaps: destination pixels whose source lies outside stay as they are.
bool BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, HDC src,
            std::int32_t srcX, std::int32_t srcY, std::uint32_t rop);

// The screen stands in as a window whose device context draws into a 1 x 1 surface.
HWND GetDesktopWindow();
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

// Clipboard: open (needs a running QGuiApplication), empty, hand over a bitmap (which
// then belongs to the clipboard), close (publishes the image).
bool OpenClipboard(HWND owner);
bool EmptyClipboard();
std::uintptr_t SetClipboardData(std::uint32_t format, std::uintptr_t data);
bool CloseClipboard();

// Bridges to Qt.
// A new 32-bit top-down bitmap holding a copy of image; 0 for a null image.
HBITMAP CreateBitmapFromImage(const QImage& image);
// A copy of any bitmap as a QImage (RGB32); a null image for anything else.
QImage ImageOf(HBITMAP bitmap);
// A QImage that views the pixel memory of a context's selected 32-bit bitmap, for
// QPainter; a null image when the context holds none. Valid until the bitmap goes.
QImage SurfaceOf(HDC dc);

// Number of live bitmaps and contexts; tests use it to catch leaks.
int LiveObjectCount();

// How many calls so far had to wait because another thread held the handle table. The
// table is shared by every thread; the folder-run benchmark reports this for its workers.
long LockWaits();

} // namespace gdi
