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
    // lowest fits and highest does not. The search works on how far each end's size is
    // from the budget, in logarithms (file sizes grow roughly exponentially with the
    // quality), and guesses where that distance crosses zero on the straight line
    // between the ends (regula falsi). Where one end stays put twice in a row, its
    // distance counts half from then on (the Illinois rule), so the guesses cannot creep
    // towards the answer from one side; after kGuesses guesses the rest is halved.
    constexpr int kGuesses = 6;
    const double budget = std::log(static_cast<double>(maxBytes));
    std::int32_t fits = lowest;
    std::int32_t tooLarge = highest;
    double fitsDistance = std::log(fitsSize) - budget;         // <= 0
    double tooLargeDistance = std::log(tooLargeSize) - budget; // > 0
    int lastMoved = 0;                                         // 1: fits moved last, -1: tooLarge
    for (int guesses = 0; tooLarge - fits > 1; ++guesses) {
        std::int32_t guess = fits + (tooLarge - fits) / 2;
        if (guesses < kGuesses && tooLargeDistance > fitsDistance) {
            const double at = fits - fitsDistance * (tooLarge - fits) / (tooLargeDistance - fitsDistance);
            guess = static_cast<std::int32_t>(std::lround(std::clamp(at, double(fits + 1), double(tooLarge - 1))));
        }
        const bool fitted = tryQuality(guess, failed);
        if (failed)
            return {QByteArray(), 0, choice.encodes, choice.failure};
        const double distance = std::log(static_cast<double>(std::max<qsizetype>(lastSize, 1))) - budget;
        if (fitted) {
            fits = guess;
            fitsDistance = distance;
            if (lastMoved == 1)
                tooLargeDistance /= 2;
            lastMoved = 1;
        } else {
            tooLarge = guess;
            tooLargeDistance = distance;
            if (lastMoved == -1)
                fitsDistance /= 2;
            lastMoved = -1;
        }
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
