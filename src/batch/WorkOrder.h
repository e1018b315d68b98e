#pragma once
// When and in which order a folder run's workers take its files: a file starts only
// while the pixel memory of the files in work, its own included, fits the run's budget
// (a file larger than the whole budget runs alone), and never before an earlier file
// that writes the same target name has finished.

#include "imaging/PixelMemory.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace batch {

// The memory a shrink of the picture file at source to the size text holds at its peak,
// from the file's header (a header that cannot be read is charged
// imaging::kUnknownPictureBytes).
std::int64_t ShrinkMemoryNeed(const QString& source, const QString& sizeText);

class WorkOrder {
public:
    enum class Order {
        List,         // the files' list order
        LargestFirst, // largest need first (equal needs in list order): the longest shrinks
                      // start early instead of setting the end of the run alone
    };

    // needs[i]: the bytes file i holds in work; waitsFor[i]: the earlier file that must
    // finish before file i starts (-1: none). The budget is charged for each file taken
    // and released when it is finished.
    WorkOrder(std::vector<std::int64_t> needs, std::vector<qsizetype> waitsFor, imaging::MemoryBudget& budget,
              Order order);

    // The file to start now, charged to the budget: the first in order that waits for
    // no unfinished file, if it fits the budget. nullopt when every file has started or
    // that file has to wait for memory, or every file left waits for an earlier one.
    std::optional<qsizetype> TakeNext();
    // File index (taken before) is finished: its memory goes back to the budget.
    void Finished(qsizetype index);

    bool WasTaken(qsizetype index) const { return state_[static_cast<std::size_t>(index)] != State::Waiting; }
    bool AllTaken() const { return taken_ == static_cast<qsizetype>(state_.size()); }

private:
    enum class State { Waiting, InWork, Finished };

    std::vector<std::int64_t> needs_;
    std::vector<qsizetype> waitsFor_;
    imaging::MemoryBudget& budget_;
    std::vector<qsizetype> order_;
    std::vector<State> state_;
    std::size_t firstWaiting_ = 0; // in order_: everything before it has been taken
    qsizetype taken_ = 0;
};

} // namespace batch
