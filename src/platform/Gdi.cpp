#include "Gdi.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <variant>

namespace gdi {

namespace {

void ReleasePixels(std::uint8_t* memory, std::int64_t capacity);

// Gives pixel memory back through ReleasePixels; knows how large the block is.
struct PixelDeleter {
    std::int64_t capacity = 0;
    void operator()(std::uint8_t* memory) const { ReleasePixels(memory, capacity); }
};

struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 24;
    std::int64_t stride = 0;
    bool bottomUp = false;
    std::unique_ptr<std::uint8_t, PixelDeleter> memory;
    int selectedCount = 0;

    std::uint8_t* Row(std::int32_t y) const // y counted from the top of the picture
    {
        const std::int32_t memoryRow = bottomUp ? height - 1 - y : y;
        return memory.get() + memoryRow * stride;
    }
};

struct DeviceContext {
    HBITMAP selected = 0;
    HBITMAP placeholder = 0; // the 1 x 1 bitmap every new context starts with
};

using Object = std::variant<Bitmap, DeviceContext>;

struct Table {
    std::recursive_mutex mutex;
    std::atomic<long> lockWaits{0};
    std::unordered_map<std::uintptr_t, std::unique_ptr<Object>> objects;
    std::uintptr_t next = 0x1000;
    HDC screen = 0;
    HBITMAP clipboardBitmap = 0;
    bool clipboardOpen = false;
};

Table& Objects()
{
    static Table table;
    return table;
}

// Holds the table. Pixel memory is allocated, filled and freed outside the hold, so
// workers shrinking photos side by side meet here only for a few map operations; every
// time one still has to wait for another is counted (LockWaits).
class TableLock {
public:
    TableLock()
    {
        if (!Objects().mutex.try_lock()) {
            Objects().lockWaits.fetch_add(1, std::memory_order_relaxed);
            Objects().mutex.lock();
        }
    }
    ~TableLock() { Objects().mutex.unlock(); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
};

template <typename T>
T* Find(std::uintptr_t handle)
{
    auto& table = Objects();
    const auto it = table.objects.find(handle);
    if (it == table.objects.end())
        return nullptr;
    return std::get_if<T>(it->second.get());
}

std::uintptr_t Add(Object object)
{
    auto& table = Objects();
    const std::uintptr_t handle = table.next;
    table.next += 4;
    table.objects.emplace(handle, std::make_unique<Object>(std::move(object)));
    return handle;
}

PixelSource& Source()
{
    static PixelSource source;
    return source;
}

// Zeroed pixel memory of at least bytes; its capacity goes to capacity.
std::uint8_t* TakePixels(std::int64_t bytes, std::int64_t& capacity)
{
    if (Source().take)
        return Source().take(bytes, &capacity);
    capacity = bytes;
    return static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1));
}

void ReleasePixels(std::uint8_t* memory, std::int64_t capacity)
{
    if (Source().give)
        Source().give(memory, capacity);
    else
        std::free(memory);
}

// A bitmap with its pixel memory, not yet in the table; no memory when the size is
// unusable or memory runs out.
Bitmap AllocateBitmap(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel, bool bottomUp)
{
    Bitmap bitmap;
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxBitmapPixels)
        return bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitsPerPixel = bitsPerPixel;
    bitmap.bottomUp = bottomUp;
    bitmap.stride = RowStride(width, bitsPerPixel);
    std::int64_t capacity = 0;
    std::uint8_t* memory = TakePixels(bitmap.stride * height, capacity);
    bitmap.memory = std::unique_ptr<std::uint8_t, PixelDeleter>(memory, PixelDeleter{capacity});
    if (!bitmap.memory)
        return bitmap;
    if (bitsPerPixel == 32) {
        // The unused byte reads 0xFF so the memory is a valid opaque RGB32 image.
        for (std::int32_t y = 0; y < height; ++y) {
            std::uint8_t* row = bitmap.Row(y);
            for (std::int32_t x = 0; x < width; ++x)
                row[4 * x + 3] = 0xFF;
        }
    }
    return bitmap;
}

// Enters an allocated bitmap into the table (the caller holds it); 0 for one without memory.
HBITMAP AddBitmap(Bitmap bitmap)
{
    return bitmap.memory ? Add(std::move(bitmap)) : 0;
}

std::uint8_t Apply(std::uint32_t rop, std::uint8_t d, std::uint8_t s)
{
    switch (rop) {
    case SRCAND:
        return d & s;
    case SRCPAINT:
        return d | s;
    default:
        return s;
    }
}

void CopyRow(std::uint8_t* dst, int dstBytes, const std::uint8_t* src, int srcBytes, std::int32_t count,
             std::uint32_t rop)
{
    if (dstBytes == srcBytes && rop == SRCCOPY) {
        std::memcpy(dst, src, static_cast<std::size_t>(count) * dstBytes);
        return;
    }
    for (std::int32_t i = 0; i < count; ++i, dst += dstBytes, src += srcBytes) {
        for (int c = 0; c < 3; ++c)
            dst[c] = Apply(rop, dst[c], src[c]);
    }
}

} // namespace

HDC CreateCompatibleDC(HDC reference)
{
    Bitmap placeholderBitmap = AllocateBitmap(1, 1, 32, false);
    const TableLock lock;
    if (reference != 0 && !Find<DeviceContext>(reference))
        return 0;
    const HBITMAP placeholder = AddBitmap(std::move(placeholderBitmap));
    if (!placeholder)
        return 0;
    Find<Bitmap>(placeholder)->selectedCount = 1;
    return Add(DeviceContext{placeholder, placeholder});
}

bool DeleteDC(HDC dc)
{
    const TableLock lock;
    DeviceContext* context = Find<DeviceContext>(dc);
    if (!context || dc == Objects().screen)
        return false;
    if (Bitmap* selected = Find<Bitmap>(context->selected))
        --selected->selectedCount;
    const HBITMAP placeholder = context->placeholder;
    Objects().objects.erase(dc);
    if (Bitmap* own = Find<Bitmap>(placeholder); own && own->selectedCount == 0)
        Objects().objects.erase(placeholder);
    return true;
}

void SetPixelSource(const PixelSource& source)
{
    Source() = source;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFOHEADER& header, std::uint32_t usage, void** bits,
                         std::uintptr_t section, std::uint32_t offset)
{
    if (bits)
        *bits = nullptr;
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biCompression != BI_RGB
        || (header.biBitCount != 24 && header.biBitCount != 32) || header.biPlanes != 1 || usage != DIB_RGB_COLORS
        || section != 0 || offset != 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return 0;
    Bitmap allocated = AllocateBitmap(header.biWidth, std::abs(header.biHeight), header.biBitCount,
                                      header.biHeight > 0);
    void* memory = allocated.memory.get();
    const TableLock lock;
    const HBITMAP bitmap = AddBitmap(std::move(allocated));
    if (bitmap && bits)
        *bits = memory;
    return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC dc, std::int32_t width, std::int32_t height)
{
    {
        const TableLock lock;
        if (!Find<DeviceContext>(dc))
            return 0;
    }
    Bitmap allocated = AllocateBitmap(width, height, 32, false);
    const TableLock lock;
    return AddBitmap(std::move(allocated));
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap)
{
    const TableLock lock;
    DeviceContext* context = Find<DeviceContext>(dc);
    Bitmap* incoming = Find<Bitmap>(bitmap);
    if (!context || !incoming)
        return 0;
    const HBITMAP previous = context->selected;
    if (Bitmap* outgoing = Find<Bitmap>(previous))
        --outgoing->selectedCount;
    ++incoming->selectedCount;
    context->selected = bitmap;
    return previous;
}

bool DeleteObject(HBITMAP bitmap)
{
    std::unique_ptr<Object> released; // freed after the table is let go
    const TableLock lock;
    Bitmap* object = Find<Bitmap>(bitmap);
    if (!object || object->selectedCount > 0 || bitmap == Objects().clipboardBitmap)
        return false;
    const auto entry = Objects().objects.find(bitmap);
    released = std::move(entry->second);
    Objects().objects.erase(entry);
    return true;
}

bool GetObject(HBITMAP bitmap, BITMAP& description)
{
    const TableLock lock;
    description = BITMAP{};
    const Bitmap* object = Find<Bitmap>(bitmap);
    if (!object)
        return false;
    description.bmWidth = object->width;
    description.bmHeight = object->height;
    description.bmWidthBytes = static_cast<std::int32_t>(object->stride);
    description.bmPlanes = 1;
    description.bmBitsPixel = static_cast<std::uint16_t>(object->bitsPerPixel);
    description.bmBits = object->memory.get();
    return true;
}

bool GetDIBHeader(HBITMAP bitmap, BITMAPINFOHEADER& header)
{
    const TableLock lock;
    header = BITMAPINFOHEADER{};
    const Bitmap* object = Find<Bitmap>(bitmap);
    if (!object)
        return false;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = object->width;
    header.biHeight = object->bottomUp ? object->height : -object->height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<std::uint16_t>(object->bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(object->stride * object->height);
    return true;
}

bool BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, HDC src,
            std::int32_t srcX, std::int32_t srcY, std::uint32_t rop)
{
    const TableLock lock;
    const DeviceContext* dstContext = Find<DeviceContext>(dst);
    const DeviceContext* srcContext = Find<DeviceContext>(src);
    if (!dstContext || !srcContext || (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT))
        return false;
    const Bitmap* to = Find<Bitmap>(dstContext->selected);
    const Bitmap* from = Find<Bitmap>(srcContext->selected);
    if (!to || !from)
        return false;

    // Clip in 64 bits so that no combination of arguments can overflow.
    std::int64_t dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
    const auto clip = [&](std::int64_t& a, std::int64_t& b, std::int64_t& size, std::int64_t limitA,
                          std::int64_t limitB) {
        const std::int64_t skip = std::max({std::int64_t{0}, -a, -b});
        a += skip;
        b += skip;
        size -= skip;
        size = std::min({size, limitA - a, limitB - b});
    };
    clip(dx, sx, w, to->width, from->width);
    clip(dy, sy, h, to->height, from->height);
    if (w <= 0 || h <= 0)
        return true;

    const int dstBytes = to->bitsPerPixel / 8;
    const int srcBytes = from->bitsPerPixel / 8;
    for (std::int64_t row = 0; row < h; ++row) {
        CopyRow(to->Row(static_cast<std::int32_t>(dy + row)) + dx * dstBytes, dstBytes,
                from->Row(static_cast<std::int32_t>(sy + row)) + sx * srcBytes, srcBytes, static_cast<std::int32_t>(w),
                rop);
    }
    return true;
}

HWND GetDesktopWindow()
{
    return 1;
}

HDC GetDC(HWND window)
{
    const TableLock lock;
    if (window != GetDesktopWindow())
        return 0;
    if (!Objects().screen)
        Objects().screen = CreateCompatibleDC(0);
    return Objects().screen;
}

int ReleaseDC(HWND window, HDC dc)
{
    return window == GetDesktopWindow() && dc == Objects().screen ? 1 : 0;
}

bool OpenClipboard(HWND)
{
    const TableLock lock;
    if (Objects().clipboardOpen || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    Objects().clipboardOpen = true;
    return true;
}

bool EmptyClipboard()
{
    const TableLock lock;
    if (!Objects().clipboardOpen)
        return false;
    if (const HBITMAP old = std::exchange(Objects().clipboardBitmap, 0))
        DeleteObject(old);
    return true;
}

std::uintptr_t SetClipboardData(std::uint32_t format, std::uintptr_t data)
{
    const TableLock lock;
    if (!Objects().clipboardOpen || format != CF_BITMAP || !Find<Bitmap>(data))
        return 0;
    if (const HBITMAP old = std::exchange(Objects().clipboardBitmap, 0); old && old != data)
        DeleteObject(old);
    Objects().clipboardBitmap = data;
    return data;
}

bool CloseClipboard()
{
    QImage image;
    {
        const TableLock lock;
        if (!Objects().clipboardOpen)
            return false;
        Objects().clipboardOpen = false;
        image = ImageOf(Objects().clipboardBitmap);
    }
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
    return true;
}

HBITMAP CreateBitmapFromImage(const QImage& image)
{
    if (image.isNull())
        return 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Bitmap allocated = AllocateBitmap(rgb.width(), rgb.height(), 32, false);
    if (allocated.memory) {
        for (std::int32_t y = 0; y < allocated.height; ++y)
            std::memcpy(allocated.Row(y), rgb.constScanLine(y), static_cast<std::size_t>(allocated.width) * 4);
    }
    const TableLock lock;
    return AddBitmap(std::move(allocated));
}

QImage ImageOf(HBITMAP bitmap)
{
    const TableLock lock;
    const Bitmap* object = Find<Bitmap>(bitmap);
    if (!object)
        return {};
    QImage image(object->width, object->height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int bytes = object->bitsPerPixel / 8;
    for (std::int32_t y = 0; y < object->height; ++y) {
        const std::uint8_t* from = object->Row(y);
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < object->width; ++x, from += bytes)
            to[x] = qRgb(from[2], from[1], from[0]);
    }
    return image;
}

QImage SurfaceOf(HDC dc)
{
    const TableLock lock;
    const DeviceContext* context = Find<DeviceContext>(dc);
    const Bitmap* object = context ? Find<Bitmap>(context->selected) : nullptr;
    if (!object || object->bitsPerPixel != 32 || object->bottomUp)
        return {};
    return QImage(object->memory.get(), object->width, object->height, static_cast<qsizetype>(object->stride),
                  QImage::Format_RGB32);
}

long LockWaits()
{
    return Objects().lockWaits.load(std::memory_order_relaxed);
}

int LiveObjectCount()
{
    const TableLock lock;
    // The screen context and its placeholder live for the whole program.
    int count = static_cast<int>(Objects().objects.size());
    if (Objects().screen)
        count -= 2;
    return count;
}

} // namespace gdi
