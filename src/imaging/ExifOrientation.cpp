#include "ExifOrientation.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <memory>

namespace imaging {

namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

} // namespace

int ExifOrientation(const std::uint8_t* app1, std::size_t size)
{
    // libexif takes an unsigned int length; a real APP1 payload is under 64 KiB anyway.
    if (!app1 || size < 6 || size > 0xFFFF || std::memcmp(app1, "Exif\0\0", 6) != 0)
        return 1;
    const std::unique_ptr<ExifData, ExifDataUnref> data(exif_data_new_from_data(app1, static_cast<unsigned>(size)));
    if (!data)
        return 1;
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data || entry->size < 2)
        return 1;
    const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

Bitmap24 Orient(const Bitmap24& stored, int orientation)
{
    const std::int32_t w = stored.width;
    const std::int32_t h = stored.height;
    Bitmap24 result = SwapsEdges(orientation) ? NewBitmap24(h, w) : NewBitmap24(w, h);
    if (!result.bits)
        return result;

    // Target pixel (x, y) (from the top) comes from stored pixel (sx, sy) with
    // sx = x0 + x * xdx + y * xdy and sy = y0 + x * ydx + y * ydy.
    std::int64_t x0 = 0, xdx = 1, xdy = 0, y0 = 0, ydx = 0, ydy = 1;
    switch (orientation) {
    case 2: x0 = w - 1; xdx = -1; break;                                   // mirrored
    case 3: x0 = w - 1; xdx = -1; y0 = h - 1; ydy = -1; break;             // upside down
    case 4: y0 = h - 1; ydy = -1; break;                                   // mirrored vertically
    case 5: xdx = 0; xdy = 1; ydx = 1; ydy = 0; break;                     // transposed
    case 6: xdx = 0; xdy = 1; y0 = h - 1; ydx = -1; ydy = 0; break;        // turned left: view turned right
    case 7: x0 = w - 1; xdx = 0; xdy = -1; y0 = h - 1; ydx = -1; ydy = 0; break; // transverse
    case 8: x0 = w - 1; xdx = 0; xdy = -1; ydx = 1; ydy = 0; break;        // turned right: view turned left
    default: break;
    }
    // A step of sy moves one memory row back, because the stored bitmap is bottom-up.
    const std::int64_t stepX = 3 * xdx - ydx * stored.stride;
    for (std::int32_t y = 0; y < result.height; ++y) {
        const std::int64_t sx = x0 + y * xdy;
        const std::int64_t sy = y0 + y * ydy;
        const std::uint8_t* from = stored.RowFromTop(static_cast<std::int32_t>(sy)) + 3 * sx;
        std::uint8_t* to = result.RowFromTop(y);
        for (std::int32_t x = 0; x < result.width; ++x, from += stepX, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return result;
}

} // namespace imaging
