#include "SizeBudget.h"

#include "platform/Numeric.h"

#include <algorithm>
#include <cmath>

namespace batch {

QualityChoice HighestQualityWithin(const EncodeAtQuality& encode, std::int32_t highest, std::int32_t lowest,
                                   std::int64_t maxBytes)
{
    QualityChoice choice;
    qsizetype lastSize = 0;
    // Encodes at quality; true when it fits (and is kept as the best so far).
    const auto tryQuality = [&](std::int32_t quality, bool& failed) {
        ++choice.encodes;
        QByteArray file = encode(quality, &choice.failure);
        failed = file.isEmpty();
        lastSize = file.size();
        if (failed || file.size() > maxBytes)
            return false;
        choice.file = std::move(file);
        choice.quality = quality;
        return true;
    };
    bool failed = false;
    if (tryQuality(highest, failed) || failed || highest <= lowest)
        return choice;
    double tooLargeSize = static_cast<double>(lastSize);
    if (!tryQuality(lowest, failed))
        return choice;
    double fitsSize = static_cast<double>(lastSize);
    // lowest fits and highest does not. The file size grows roughly exponentially with
    // the quality, so a guess that interpolates the logarithm of the size usually lands
    // on the answer, and a try at its neighbour confirms it. Whatever is left after that
    // is halved, so it never needs more than four tries beyond a bisection.
    std::int32_t fits = lowest;
    std::int32_t tooLarge = highest;
    // Tries quality and narrows the range; false when encoding failed.
    const auto narrow = [&](std::int32_t quality) {
        if (tryQuality(quality, failed))
            fits = quality;
        else if (!failed)
            tooLarge = quality;
        return !failed;
    };
    if (tooLarge - fits > 1 && fitsSize > 0 && tooLargeSize > fitsSize) {
        const double t = (std::log(static_cast<double>(maxBytes)) - std::log(fitsSize))
            / (std::log(tooLargeSize) - std::log(fitsSize));
        const std::int32_t guess = std::clamp(fits + static_cast<std::int32_t>(std::floor(t * (tooLarge - fits))),
                                              fits + 1, tooLarge - 1);
        if (!narrow(guess))
            return {QByteArray(), 0, choice.encodes, choice.failure};
        const std::int32_t neighbour = fits == guess ? guess + 1 : guess - 1;
        if (tooLarge - fits > 1 && !narrow(neighbour))
            return {QByteArray(), 0, choice.encodes, choice.failure};
    }
    while (tooLarge - fits > 1) {
        if (!narrow(fits + (tooLarge - fits) / 2))
            return {QByteArray(), 0, choice.encodes, choice.failure};
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
