// ConvertJPG of a 12-megapixel photo to 640 pixels, next to a plain full-size decode of
// the same file: the decode is the floor for a full-resolution resample, so the ratio of
// the two says what loading into the bitmap, resampling and encoding add on top.
#include "BenchPhotos.h"
#include "batch/ConvertJPG.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct PhotoFile {
    QTemporaryDir dir;
    QString path;
    QByteArray jpeg;

    PhotoFile() : jpeg(bench::PhotoLikeJpeg(kWidth, kHeight, 7))
    {
        path = dir.filePath("photo.jpg");
        QFile file(path);
        if (jpeg.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size())
            path.clear();
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

// Reading the file and decoding it at full size, as the picture loader does.
void BM_TurboJpegDecode_4000x3000(benchmark::State& state)
{
    const PhotoFile& photo = Photo();
    if (photo.path.isEmpty()) {
        state.SkipWithError("cannot write the test photo");
        return;
    }
    bench::PlainDecoder decoder;
    for (auto _ : state) {
        QFile file(photo.path);
        file.open(QIODevice::ReadOnly);
        if (!decoder.Decode(file.readAll())) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(decoder.Pixels());
    }
}

} // namespace

BENCHMARK(BM_TurboJpegDecode_4000x3000)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ConvertJPG_4000x3000_to_640_q80)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
