#include "SizeBudget.h"

#include "platform/Numeric.h"

#include <algorithm>

namespace batch {

QualityChoice HighestQualityWithin(const EncodeAtQuality& encode, std::int32_t highest, std::int32_t lowest,
                                   std::int64_t maxBytes)
{
    QualityChoice choice;
    // Encodes at quality; true when it fits (and is kept as the best so far).
    const auto tryQuality = [&](std::int32_t quality, bool& failed) {
        ++choice.encodes;
        QByteArray file = encode(quality, &choice.failure);
        failed = file.isEmpty();
        if (failed || file.size() > maxBytes)
            return false;
        choice.file = std::move(file);
        choice.quality = quality;
        return true;
    };
    bool failed = false;
    if (tryQuality(highest, failed) || failed || highest <= lowest)
        return choice;
    if (!tryQuality(lowest, failed))
        return choice;
    // lowest fits and highest does not: bisect between them.
    std::int32_t fits = lowest;
    std::int32_t tooLarge = highest;
    while (tooLarge - fits > 1) {
        const std::int32_t middle = fits + (tooLarge - fits) / 2;
        if (tryQuality(middle, failed))
            fits = middle;
        else if (failed)
            return {QByteArray(), 0, choice.encodes, choice.failure};
        else
            tooLarge = middle;
    }
    return choice;
}

std::int32_t NextSmallerEdge(std::int32_t longEdge)
{
    return std::min(longEdge - 1, numeric::ToInt32(longEdge * 0.9));
}

void ScaleToLongEdge(std::int32_t& width, std::int32_t& height, std::int32_t longEdge)
{
    if (width >= height) {
        height = std::max(1, numeric::ToInt32(double(height) * longEdge / width));
        width = longEdge;
    } else {
        width = std::max(1, numeric::ToInt32(double(width) * longEdge / height));
        height = longEdge;
    }
}

} // namespace batch
