#pragma once
// The program's bilinear Resample made while a picture's stored rows are decoded, top to
// bottom: each target row (or, for a sideways photo, column) is made as soon as the two
// stored rows it samples have come, so the whole picture is never held in memory. The
// bytes are exactly those aDIBSection::Resample makes from the whole picture turned
// upright.

#include "imaging/BilinearSampling.h"
#include "imaging/Bitmap24.h"
#include "imaging/StoredRowSink.h"

#include <cstdint>
#include <vector>

namespace imaging {

class StreamedResample final : public StoredRowSink {
public:
    // For a picture stored storedWidth x storedHeight, to be turned as orientation (EXIF's
    // 1..8) says, into target, whose size is the copy's. Raises what Resample would raise
    // for these sizes, before any row is taken.
    StreamedResample(std::int32_t storedWidth, std::int32_t storedHeight, int orientation, const Bitmap24& target);

    void Take(std::int32_t first, int count, const std::uint8_t* const* rows) override;

    bool Complete() const override { return next_ == lines_.size(); }

    // Where each target pixel of a line samples its two stored rows: the byte offsets of
    // its two upright columns (sideways: of its two upright rows) and its fraction along
    // the line, also as a numerator over 2^23 where it is one; wide where four bytes can
    // be read at both offsets.
    struct Taps {
        std::vector<std::int64_t> near;
        std::vector<std::int64_t> far;
        std::vector<double> fractions;
        std::vector<std::int32_t> weights;
        std::vector<std::uint8_t> wide;
    };

private:
    // A target row (or column) and the two neighbouring stored rows it samples.
    struct Line {
        std::int32_t target = 0;
        std::int32_t first = 0;  // the stored row of the lower row (or left column)
        std::int32_t second = 0; // the stored row of the upper row (or right column)
        std::int32_t weight = 0; // its fraction's numerator over 2^23, or -1
    };

    void Make(const Line& line, const std::uint8_t* first, const std::uint8_t* second) const;

    Bitmap24 target_; // only its pixel memory and size; the picture stays the caller's
    bool sideways_;
    bilinear::SamplePlan plan_;
    Taps taps_;
    bool whole_ = false;      // every weight a numerator over 2^23, and the processor does the integer form
    std::vector<Line> lines_; // by the later stored row they need
    std::size_t next_ = 0;
    std::vector<std::uint8_t> carried_; // the last stored row of the previous call
    std::int32_t carriedRow_ = -1;
};

} // namespace imaging
