#include "WorkOrder.h"

#include "batch/ConvertJPG.h"
#include "batch/JobSettings.h"
#include "imaging/PictureLoader.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace batch {

std::int64_t ShrinkMemoryNeed(const QString& source, const QString& sizeText)
{
    std::int64_t fileBytes = 0;
    const std::optional<imaging::PictureHeader> header = imaging::ProbePicture(source, &fileBytes);
    if (!header)
        return imaging::kUnknownPictureBytes + fileBytes;
    // The result as ConvertPicture sizes it, or more: a long edge of N at most N x N
    // pixels, never more than the picture; a percentage scales both edges.
    const SizeSpec size = ReadSizeSpec(sizeText);
    const std::int64_t pixels = std::int64_t{header->width} * header->height;
    std::int64_t result = pixels;
    if (size.percent) {
        const double f = std::abs(size.N) / 100.0;
        result = static_cast<std::int64_t>(std::ceil(header->width * f + 1) * std::ceil(header->height * f + 1));
    } else {
        const std::int64_t n = size.N == 0 ? kDefaultLongEdge : std::abs(std::int64_t{size.N});
        result = std::min(pixels, n * n);
    }
    return imaging::PictureMemoryNeed(*header, fileBytes, result);
}

WorkOrder::WorkOrder(std::vector<std::int64_t> needs, std::vector<qsizetype> waitsFor, imaging::MemoryBudget& budget,
                     Order order)
    : needs_(std::move(needs)), waitsFor_(std::move(waitsFor)), budget_(budget), order_(needs_.size()),
      state_(needs_.size(), State::Waiting)
{
    std::iota(order_.begin(), order_.end(), qsizetype{0});
    if (order == Order::LargestFirst)
        std::stable_sort(order_.begin(), order_.end(), [this](qsizetype a, qsizetype b) {
            return needs_[static_cast<std::size_t>(a)] > needs_[static_cast<std::size_t>(b)];
        });
}

std::optional<qsizetype> WorkOrder::TakeNext()
{
    while (firstWaiting_ < order_.size() && WasTaken(order_[firstWaiting_]))
        ++firstWaiting_;
    for (std::size_t k = firstWaiting_; k < order_.size(); ++k) {
        const qsizetype i = order_[k];
        const auto at = static_cast<std::size_t>(i);
        if (state_[at] != State::Waiting)
            continue;
        const qsizetype earlier = waitsFor_[at];
        if (earlier >= 0 && state_[static_cast<std::size_t>(earlier)] != State::Finished)
            continue;
        // The first file that may start holds the rest back until it fits, so that a
        // large one is not passed over again and again by small ones.
        if (budget_.Kept() > 0 && budget_.Charged() + budget_.Kept() + needs_[at] > budget_.Limit())
            imaging::TrimPools(); // idle blocks give way to a picture in work
        if (!budget_.TryCharge(needs_[at]))
            return std::nullopt;
        state_[at] = State::InWork;
        ++taken_;
        return i;
    }
    return std::nullopt;
}

void WorkOrder::Finished(qsizetype index)
{
    const auto at = static_cast<std::size_t>(index);
    if (state_[at] != State::InWork)
        return;
    state_[at] = State::Finished;
    budget_.Release(needs_[at]);
}

} // namespace batch
