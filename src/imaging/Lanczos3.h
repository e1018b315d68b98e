#pragma once
// A high-quality reduction for the command line: separable Lanczos-3 (a windowed sinc over
// three lobes on each side), widened by the reduction factor so that every source pixel
// counts and fine detail does not alias. Computed in integers (weights in units of 2^-14,
// signed 16-bit samples between the two passes, SSE2 where the compiler has it), which
// keeps every byte within one level of the same filter in double precision. The window
// keeps its own bilinear Resample.

#include "imaging/Bitmap24.h"
#include "imaging/StoredRowSink.h"
#include "imaging/aDIBSection.h"

#include <cstdint>
#include <memory>

namespace imaging {

// A new newWidth x newHeight bitmap made from source with a Lanczos-3 filter, pixel
// centres mapped onto pixel centres, weights cut at the picture's edges and normalised.
// Enlarging works too (the kernel is then not widened). None when a size is 0 or less,
// when source holds no bitmap, or when memory runs out. source is never changed.
std::unique_ptr<aDIBSection> ResampleLanczos3(const aDIBSection& source, std::int32_t newWidth, std::int32_t newHeight);

// The same copy made while a width x height picture's rows come, top to bottom, into
// target (its size: the copy's): the rows a target row needs wait in a ring a few dozen
// rows high, and each target row is made once its lowest source row has come. The bytes
// are those ResampleLanczos3 makes of the whole picture. Raises std::bad_alloc when memory
// runs out.
class Lanczos3Stream final : public StoredRowSink {
public:
    Lanczos3Stream(std::int32_t width, std::int32_t height, const Bitmap24& target);
    ~Lanczos3Stream() override;
    void Take(std::int32_t first, int count, const std::uint8_t* const* rows) override;
    bool Complete() const override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether the filter may use AVX2 where the processor has it (the default); false keeps it
// to SSE2, so that tests check both on one machine. Returns the previous setting.
bool AllowLanczos3Avx2(bool allow);

// The Lanczos-3 kernel: sinc(x) * sinc(x / 3) for |x| < 3, else 0.
double Lanczos3Kernel(double x);

} // namespace imaging
