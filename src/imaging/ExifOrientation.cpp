#include "ExifOrientation.h"

#include <libexif/exif-data.h>

#include <utility>
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

std::int32_t UprightRow(int orientation, std::int32_t sy, std::int32_t storedHeight)
{
    return orientation == 3 || orientation == 4 ? storedHeight - 1 - sy : sy;
}

void MirrorRow(std::uint8_t* row, std::int32_t width)
{
    std::uint8_t* left = row;
    std::uint8_t* right = row + 3 * (std::int64_t{width} - 1);
    for (; left < right; left += 3, right -= 3) {
        std::swap(left[0], right[0]);
        std::swap(left[1], right[1]);
        std::swap(left[2], right[2]);
    }
}

void PlaceTurnedRows(const Bitmap24& upright, const std::uint8_t* const* rows, int count, std::int32_t first,
                     std::int32_t storedWidth, std::int32_t storedHeight, int orientation)
{
    // Stored pixel (sx, sy) lands at upright column x and row y:
    //   5 (transposed):  x = sy,       y = sx
    //   6 (turn right):  x = H-1-sy,   y = sx
    //   7 (transverse):  x = H-1-sy,   y = W-1-sx
    //   8 (turn left):   x = sy,       y = W-1-sx
    const bool flipX = orientation == 6 || orientation == 7;
    const bool flipY = orientation == 7 || orientation == 8;
    // The band's rows land side by side in each upright row: count pixels from column
    // `left`, in stored-row order (or reversed when flipX).
    const std::int32_t left = flipX ? storedHeight - first - count : first;
    // Each upright row gets its count pixels in one short run while the band's rows are
    // read front to back, all of them still in the cache from the decode.
    for (std::int32_t sx = 0; sx < storedWidth; ++sx) {
        std::uint8_t* to = upright.RowFromTop(flipY ? storedWidth - 1 - sx : sx) + 3 * std::int64_t{left};
        const std::int64_t from = 3 * std::int64_t{sx};
        if (flipX) {
            for (int i = count - 1; i >= 0; --i, to += 3)
                std::memcpy(to, rows[i] + from, 3);
        } else {
            for (int i = 0; i < count; ++i, to += 3)
                std::memcpy(to, rows[i] + from, 3);
        }
    }
}

} // namespace imaging
