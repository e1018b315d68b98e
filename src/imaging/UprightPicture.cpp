#include "UprightPicture.h"

#include "imaging/Bitmap24.h"
#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <vector>

namespace imaging {

namespace {

// Stored rows handed out and placed at a time, as in the JPEG decoder.
constexpr int kBandRows = 16;

QString SizeText(std::int32_t width, std::int32_t height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

} // namespace

QString SizeRefusal(std::int32_t storedWidth, std::int32_t storedHeight, std::int64_t extraBytes)
{
    if (storedWidth <= 0 || storedHeight <= 0 || std::int64_t{storedWidth} * storedHeight > gdi::kMaxBitmapPixels)
        return QStringLiteral("picture too large (%1)").arg(SizeText(storedWidth, storedHeight));
    if (!FitsInMemory(storedWidth, storedHeight, 1, extraBytes))
        return QStringLiteral("not enough memory for the picture (%1)").arg(SizeText(storedWidth, storedHeight));
    return {};
}

Picture BuildUpright(std::int32_t storedWidth, std::int32_t storedHeight, int orientation, const StoredRows& fill,
                     QString* failure)
{
    const QString refusal = SizeRefusal(storedWidth, storedHeight, 0);
    const bool turns = SwapsEdges(orientation);
    Bitmap24 upright;
    if (refusal.isEmpty())
        upright = NewBitmap24(turns ? storedHeight : storedWidth, turns ? storedWidth : storedHeight);
    if (!upright.bits) {
        if (failure)
            *failure = refusal.isEmpty()
                ? QStringLiteral("not enough memory for the picture (%1 x %2)").arg(storedWidth).arg(storedHeight)
                : refusal;
        return {};
    }
    std::vector<std::uint8_t> band;
    if (turns)
        band.resize(static_cast<std::size_t>(kBandRows) * 3 * static_cast<std::size_t>(storedWidth));
    std::uint8_t* rows[kBandRows];
    for (std::int32_t first = 0; first < storedHeight; first += kBandRows) {
        const int count = std::min(kBandRows, storedHeight - first);
        for (int i = 0; i < count; ++i)
            rows[i] = turns ? band.data() + std::size_t{3} * static_cast<std::size_t>(storedWidth) * i
                            : upright.RowFromTop(UprightRow(orientation, first + i, storedHeight));
        fill(first, count, rows);
        if (turns) {
            PlaceTurnedRows(upright, rows, count, first, storedWidth, storedHeight, orientation);
        } else if (MirrorsRows(orientation)) {
            for (int i = 0; i < count; ++i)
                MirrorRow(rows[i], storedWidth);
        }
    }
    return std::move(upright.picture);
}

} // namespace imaging
