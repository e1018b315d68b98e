#pragma once
// Fitting a copy into a byte budget ("under 500 KB for e-mail") by its quality: the
// highest quality whose file fits, searched between the run's quality and the lowest
// quality offered.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace batch {

// The whole file at a quality; empty on failure, with *failure saying why.
using EncodeAtQuality = std::function<QByteArray(std::int32_t quality, QString* failure)>;

struct QualityChoice {
    QByteArray file;          // the chosen encoding; empty when none fits or encoding failed
    std::int32_t quality = 0; // its quality
    int encodes = 0;          // encodings tried
    QString failure;          // set when encoding itself failed
};

// The encoding at the highest quality from lowest to highest (inclusive) that is at most
// maxBytes long. File sizes grow with the quality almost always; where they do not, the
// search may settle one step lower than the very highest that fits. Tries highest first
// and lowest second, so a copy that fits at once costs one encoding and one that fits at
// no quality two; between them each guess is made from the sizes seen (see
// SizeBudget.cpp): four to seven tries in all for most photos.
QualityChoice HighestQualityWithin(const EncodeAtQuality& encode, std::int32_t highest, std::int32_t lowest,
                                   std::int64_t maxBytes);

// The long edge of the next, smaller try when even the lowest quality does not fit:
// about 10 % less, and at least one pixel less.
std::int32_t NextSmallerEdge(std::int32_t longEdge);

// width x height brought to a long edge of longEdge, the short edge in proportion
// (rounded half to even, at least 1).
void ScaleToLongEdge(std::int32_t& width, std::int32_t& height, std::int32_t longEdge);

} // namespace batch
