#include "ExifOrientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace imaging {

namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// Stored columns turned per step of PlaceTurnedRows (see there).
constexpr std::int32_t kColumnBlock = 128;

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
    // Four pixels from each end at a time, through registers: byte-wise swaps of
    // three-byte pixels run at a fraction of the memory's speed.
    constexpr std::int64_t kGroup = 12;
    for (; right - left >= 2 * kGroup - 3; left += kGroup, right -= kGroup) {
        std::uint8_t front[kGroup];
        std::uint8_t back[kGroup];
        std::memcpy(front, left, kGroup);
        std::memcpy(back, right - 9, kGroup);
        for (int k = 0; k < 4; ++k) {
            std::memcpy(left + 3 * k, back + 9 - 3 * k, 3);
            std::memcpy(right - 9 + 3 * k, front + 9 - 3 * k, 3);
        }
    }
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
    // Blocks of stored columns, each a set of upright rows that stays in the first-level
    // cache while every band row writes its pixel into each of them in turn; the band
    // rows are read front to back.
    const std::int64_t rowStep = flipY ? upright.stride : -upright.stride; // next sx: one upright row down or up
    const std::int32_t lastX = storedHeight - 1;
    for (std::int32_t block = 0; block < storedWidth; block += kColumnBlock) {
        const std::int32_t end = std::min(storedWidth, block + kColumnBlock);
        std::uint8_t* const blockStart = upright.RowFromTop(flipY ? storedWidth - 1 - block : block);
        for (int i = 0; i < count; ++i) {
            const std::int32_t x = flipX ? lastX - (first + i) : first + i;
            const std::uint8_t* from = rows[i] + 3 * std::int64_t{block};
            std::uint8_t* to = blockStart + 3 * std::int64_t{x};
            std::int32_t sx = block;
            // A pixel moved as 4 bytes: the spare byte is read within the band row and
            // lands on a neighbour in the upright row that a later step writes (upright
            // columns fill in ascending order without flipX, descending with it). The
            // row ends, where that does not hold, move 3 bytes.
            if (!flipX && x < lastX) {
                const std::int32_t wide = end == storedWidth ? end - 1 : end; // 4 bytes stay within the band row
                for (; sx < wide; ++sx, from += 3, to += rowStep) {
                    std::uint32_t pixel;
                    std::memcpy(&pixel, from, 4);
                    std::memcpy(to, &pixel, 4);
                }
            } else if (flipX && x > 0) {
                for (; sx == 0 && sx < end; ++sx, from += 3, to += rowStep)
                    std::memcpy(to, from, 3);
                for (; sx < end; ++sx, from += 3, to += rowStep) {
                    std::uint32_t pixel;
                    std::memcpy(&pixel, from - 1, 4);
                    std::memcpy(to - 1, &pixel, 4);
                }
            }
            for (; sx < end; ++sx, from += 3, to += rowStep)
                std::memcpy(to, from, 3);
        }
    }
}

} // namespace imaging
