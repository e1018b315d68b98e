#pragma once
// The program's bilinear Resample made while a picture's stored rows are decoded, top to
// bottom: each target row (or, for a sideways photo, column) is made as soon as the two
// stored rows it samples have come, so the whole picture is never held in memory. The
// bytes are exactly those aDIBSection::Resample makes from the whole picture turned
// upright.

#include "imaging/BilinearSampling.h"
#include "imaging/Bitmap24.h"

#include <cstdint>
#include <vector>

namespace imaging {

class StreamedResample {
public:
    // For a picture stored storedWidth x storedHeight, to be turned as orientation (EXIF's
    // 1..8) says, into target, whose size is the copy's. Raises what Resample would raise
    // for these sizes, before any row is taken.
    StreamedResample(std::int32_t storedWidth, std::int32_t storedHeight, int orientation, const Bitmap24& target);

    // Stored rows first .. first + count - 1 (rows[i]: blue, green, red); each call goes
    // on where the last one ended.
    void Take(std::int32_t first, int count, const std::uint8_t* const* rows);

    // True once every target line is made.
    bool Complete() const { return next_ == lines_.size(); }

private:
    // A target row (or column) and the two neighbouring stored rows it samples.
    struct Line {
        std::int32_t target = 0;
        std::int32_t first = 0;  // the stored row of the lower row (or left column)
        std::int32_t second = 0; // the stored row of the upper row (or right column)
    };

    void Make(const Line& line, const std::uint8_t* first, const std::uint8_t* second) const;

    Bitmap24 target_; // only its pixel memory and size; the picture stays the caller's
    bool sideways_;
    bilinear::SamplePlan plan_;
    // Byte offsets into a stored row: of each target column's two upright columns, or,
    // for sideways photos, of each target row's two upright rows.
    std::vector<std::int64_t> nearOffsets_;
    std::vector<std::int64_t> farOffsets_;
    std::vector<Line> lines_; // by the later stored row they need
    std::size_t next_ = 0;
    std::vector<std::uint8_t> carried_; // the last stored row of the previous call
    std::int32_t carriedRow_ = -1;
};

} // namespace imaging
