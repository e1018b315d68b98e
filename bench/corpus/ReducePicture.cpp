// Reduces one picture the way zimbrel-shrink does and writes the pixels before any
// encoding as a binary PPM, so a filter can be compared with a reference without the
// JPEG encoder's losses (bench/compare-peers.sh):
//   zimbrel_bench_reduce PICTURE OUT.ppm WIDTH HEIGHT bilinear|lanczos3
//   zimbrel_bench_reduce PICTURE OUT.ppm 0 0 full   (the full decode, its own size)

#include "batch/ShrinkCopy.h"
#include "imaging/Lanczos3.h"
#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: zimbrel_bench_reduce PICTURE OUT.ppm WIDTH HEIGHT bilinear|lanczos3|full\n");
        return 2;
    }
    int width = std::atoi(argv[3]);
    int height = std::atoi(argv[4]);
    const bool lanczos = std::strcmp(argv[5], "lanczos3") == 0;
    const bool full = std::strcmp(argv[5], "full") == 0;
    aDIBSection loaded;
    imaging::DecodeScale scale;
    if (lanczos)
        scale = [&](std::int32_t w, std::int32_t h) { return batch::DecodeEighthsFor(w, h, width, height); };
    loaded.CreateFromPicture(imaging::LoadPicture(QString::fromLocal8Bit(argv[1]), nullptr, scale));
    if (full) {
        width = loaded.Width();
        height = loaded.Height();
    }
    const std::unique_ptr<aDIBSection> reduced = lanczos ? imaging::ResampleLanczos3(loaded, width, height)
                                                         : loaded.Resample(height, width);
    if (!reduced)
        return 1;
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y) { // top row first; memory is bottom-up, BGR
        const std::uint8_t* row = reduced->DIBSectionBitsPtr() + std::int64_t{y} * reduced->BytesPerScanLine();
        for (int x = 0; x < width; ++x) {
            const unsigned char rgb[3] = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
