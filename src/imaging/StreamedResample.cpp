#include "StreamedResample.h"

#include <algorithm>
#include <cstring>

namespace imaging {

using namespace bilinear;

StreamedResample::StreamedResample(std::int32_t storedWidth, std::int32_t storedHeight, int orientation,
                                   const Bitmap24& target)
    : sideways_(SwapsEdges(orientation))
{
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    target_.bits = target.bits;
    target_.stride = target.stride;
    target_.width = target.width;
    target_.height = target.height;
    if (!target.bits || storedWidth <= 0 || storedHeight <= 0)
        throw errors::ObjectRequired();
    const std::int32_t W = sideways_ ? storedHeight : storedWidth;
    const std::int32_t H = sideways_ ? storedWidth : storedHeight;
    plan_ = PlanSamples(W, H, target.width, target.height, orientation != 1);

    const auto stored = [&](std::int64_t x, std::int64_t m) {
        return StoredPixelOf(orientation, x, m, storedWidth, storedHeight);
    };
    // Upright rows are stored rows (one stored row per target row pair, offsets along it
    // per target column), or for sideways photos upright columns are (a stored row pair
    // per target column, offsets per target row).
    const std::vector<SamplePoint>& along = sideways_ ? plan_.rows : plan_.columns;
    const std::vector<SamplePoint>& across = sideways_ ? plan_.columns : plan_.rows;
    for (const SamplePoint& point : along) {
        const StoredPixel near = sideways_ ? stored(0, point.index) : stored(point.index, 0);
        const StoredPixel far = sideways_ ? stored(0, point.index + 1) : stored(point.index + 1, 0);
        nearOffsets_.push_back(3 * near.column);
        farOffsets_.push_back(3 * far.column);
    }
    for (std::size_t i = 0; i < across.size(); ++i) {
        const std::int32_t index = across[i].index;
        const StoredPixel near = sideways_ ? stored(index, 0) : stored(0, index);
        const StoredPixel far = sideways_ ? stored(index + 1, 0) : stored(0, index + 1);
        lines_.push_back(
            {static_cast<std::int32_t>(i), static_cast<std::int32_t>(near.row), static_cast<std::int32_t>(far.row)});
    }
    std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        return std::max(a.first, a.second) < std::max(b.first, b.second);
    });
    carried_.resize(3 * static_cast<std::size_t>(storedWidth));
}

void StreamedResample::Take(std::int32_t first, int count, const std::uint8_t* const* rows)
{
    const std::int32_t last = first + count - 1;
    const auto row = [&](std::int32_t index) {
        return index == carriedRow_ && index < first ? carried_.data() : rows[index - first];
    };
    for (; next_ < lines_.size(); ++next_) {
        const Line& line = lines_[next_];
        if (std::max(line.first, line.second) > last)
            break;
        Make(line, row(line.first), row(line.second));
    }
    // A line may pair this call's last row with the next call's first.
    if (next_ < lines_.size() && std::min(lines_[next_].first, lines_[next_].second) == last) {
        std::memcpy(carried_.data(), rows[count - 1], carried_.size());
        carriedRow_ = last;
    }
}

void StreamedResample::Make(const Line& line, const std::uint8_t* first, const std::uint8_t* second) const
{
    if (!sideways_) {
        // Target row line.target: first is its lower row, second its upper.
        const double dy = plan_.rows[static_cast<std::size_t>(line.target)].fraction;
        std::uint8_t* out = target_.bits + line.target * target_.stride;
        for (std::size_t x = 0; x < plan_.columns.size(); ++x, out += 3) {
            const std::int64_t near = nearOffsets_[x];
            const std::int64_t far = farOffsets_[x];
            Interpolate(first + near, second + near, first + far, second + far, dy, plan_.columns[x].fraction, out);
        }
        return;
    }
    // Target column line.target: first is its left column, second its right.
    const double dx = plan_.columns[static_cast<std::size_t>(line.target)].fraction;
    std::uint8_t* out = target_.bits + 3 * std::int64_t{line.target};
    for (std::size_t y = 0; y < plan_.rows.size(); ++y, out += target_.stride) {
        const std::int64_t lower = nearOffsets_[y];
        const std::int64_t upper = farOffsets_[y];
        Interpolate(first + lower, first + upper, second + lower, second + upper, plan_.rows[y].fraction, dx, out);
    }
}

} // namespace imaging
