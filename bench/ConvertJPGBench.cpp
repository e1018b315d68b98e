// ConvertJPG of a 12-megapixel photo to 640 pixels, next to a plain full-size decode of
// the same file: the decode is the floor for a full-resolution resample, so the ratio of
// the two says what loading into the bitmap, resampling and encoding add on top.
#include "app/ConvertJPG.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Photo-like content: smooth gradients, a pattern of soft waves, hard edges of a few
// shapes, and sensor-like noise, encoded at quality 90 with 4:2:0 like a camera would.
struct PhotoFile {
    QTemporaryDir dir;
    QString path;

    PhotoFile()
    {
        std::vector<unsigned char> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
        std::mt19937 generator(7);
        std::normal_distribution<float> noise(0.0f, 6.0f);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const float wave = 40.0f * std::sin(x * 0.013f) * std::cos(y * 0.021f);
                const bool inShape = ((x / 350 + y / 280) % 3 == 0) && (x % 350 > 40);
                const float base[3] = {60.0f + 150.0f * x / kWidth + wave, 40.0f + 170.0f * y / kHeight,
                                       inShape ? 210.0f : 90.0f - wave};
                unsigned char* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<unsigned char>(std::clamp(base[c] + noise(generator), 0.0f, 255.0f));
            }
        }
        tjhandle encoder = tjInitCompress();
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        if (tjCompress2(encoder, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) == 0) {
            path = dir.filePath("photo.jpg");
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(jpeg), qint64(size)) != qint64(size))
                path.clear();
        }
        tjFree(jpeg);
        tjDestroy(encoder);
    }
};

const PhotoFile& Photo()
{
    static const PhotoFile photo;
    return photo;
}

void BM_ConvertJPG_4000x3000_to_640_q80(benchmark::State& state)
{
    const PhotoFile& photo = Photo();
    if (photo.path.isEmpty()) {
        state.SkipWithError("cannot write the test photo");
        return;
    }
    const QString target = photo.dir.filePath("small.jpg");
    for (auto _ : state)
        batch::ConvertJPG(photo.path, target, 80, QStringLiteral("640"));
    if (!QFile::exists(target))
        state.SkipWithError("nothing was written");
}

// Reading the file and decoding it at full size into a fresh BGR buffer, with the
// decoder's default (accurate) settings, the same the picture loader uses.
void BM_TurboJpegDecode_4000x3000(benchmark::State& state)
{
    const PhotoFile& photo = Photo();
    if (photo.path.isEmpty()) {
        state.SkipWithError("cannot write the test photo");
        return;
    }
    tjhandle decoder = tjInitDecompress();
    for (auto _ : state) {
        QFile file(photo.path);
        file.open(QIODevice::ReadOnly);
        const QByteArray jpeg = file.readAll();
        const int pitch = (kWidth * 3 + 3) & ~3;
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[static_cast<std::size_t>(pitch) * kHeight]);
        if (tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                          static_cast<unsigned long>(jpeg.size()), pixels.get(), kWidth, pitch, kHeight, TJPF_BGR,
                          TJFLAG_BOTTOMUP) != 0) {
            state.SkipWithError(tjGetErrorStr2(decoder));
            break;
        }
        benchmark::DoNotOptimize(pixels.get());
    }
    tjDestroy(decoder);
}

} // namespace

BENCHMARK(BM_TurboJpegDecode_4000x3000)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ConvertJPG_4000x3000_to_640_q80)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
