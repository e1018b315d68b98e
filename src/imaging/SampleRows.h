#pragma once
// Rows of decoded samples (8 or 16 bits, RGB or RGBA, as PNG, WebP and HEIF decoders
// hand them out) turned into the 24-bit blue-green-red rows of the engine's bitmap.

#include <cstdint>

namespace imaging {

struct SampleLayout {
    int channels = 3;             // 3: red, green, blue; 4: and alpha
    int bytesPerSample = 1;       // 1, or 2 for samples above 8 bits
    bool bigEndian = false;       // byte order of 2-byte samples
    std::uint32_t maxValue = 255; // full scale: 255, 1023 for 10 bits, 65535 for 16 bits
    bool premultiplied = false;   // colours already multiplied by alpha
};

// Converts width pixels at from (laid out as layout says) to blue, green, red at to.
// Samples above 8 bits are scaled to 8 with rounding (v * 255 / maxValue, to nearest);
// alpha is composed onto white at the source's precision, rounded once at the end.
void ToBgrOnWhite(const std::uint8_t* from, std::uint8_t* to, std::int32_t width, const SampleLayout& layout);

} // namespace imaging
