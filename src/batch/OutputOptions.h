#pragma once
// What the command line adds to a run beyond the window's controls. The defaults are the
// window's behaviour exactly: flat target folder, every picture rewritten, bilinear
// reduction, JPEG at the chosen quality, no size limit.

#include <cstdint>

namespace batch {

enum class OutputFormat { Jpeg, WebP };
enum class ReductionFilter { Bilinear, Lanczos3 };

struct OutputOptions {
    bool mirror = false;       // copies keep their folder below the source, under the target
    bool update = false;       // skip a picture whose copy carries its modification time
    std::int64_t maxBytes = 0; // every copy fits in this many bytes; 0: no limit
    OutputFormat format = OutputFormat::Jpeg;
    ReductionFilter filter = ReductionFilter::Bilinear;
    bool dryRun = false; // decide everything, read no picture, write nothing

    // True when a picture goes through the window's own shrink (ConvertPicture).
    bool ShrinksAsWindow() const
    {
        return maxBytes == 0 && format == OutputFormat::Jpeg && filter == ReductionFilter::Bilinear;
    }

    bool operator==(const OutputOptions&) const = default;
};

} // namespace batch
