// Photos taken sideways (EXIF orientation 6 and 8, a good share of any camera folder)
// against the same stored picture without the tag: the picture loader and ConvertJPG
// on each. Beside them the turn on its own: placing 16-row bands of a decoded picture
// upright, as the loader does while it decodes, and, for comparison, the whole-bitmap
// turn by columns after the decode that it replaced.
#include "BenchPhotos.h"
#include "batch/ConvertJPG.h"
#include "imaging/Bitmap24.h"
#include "imaging/ExifOrientation.h"
#include "imaging/PictureLoader.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The same stored 12-megapixel photo as orientation 1 (no tag), 6 and 8.
struct TurnedPhotos {
    QTemporaryDir dir;
    bool ok = true;

    TurnedPhotos()
    {
        const QByteArray jpeg = bench::PhotoLikeJpeg(kWidth, kHeight, 7);
        for (const int orientation : {1, 6, 8}) {
            QFile file(Path(orientation));
            const QByteArray bytes = orientation == 1 ? jpeg : bench::WithOrientation(jpeg, orientation);
            ok = ok && !jpeg.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        }
    }
    QString Path(int orientation) const { return dir.filePath(QStringLiteral("turned-%1.jpg").arg(orientation)); }
};

const TurnedPhotos& Photos()
{
    static const TurnedPhotos photos;
    return photos;
}

void BM_LoadPicture_4000x3000(benchmark::State& state)
{
    const TurnedPhotos& photos = Photos();
    if (!photos.ok) {
        state.SkipWithError("cannot write the test photos");
        return;
    }
    const QString path = photos.Path(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const Picture picture = imaging::LoadPicture(path);
        if (picture.IsEmpty()) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(picture.Handle());
    }
}

void BM_ConvertJPG_Turned_4000x3000_to_640_q80(benchmark::State& state)
{
    const TurnedPhotos& photos = Photos();
    if (!photos.ok) {
        state.SkipWithError("cannot write the test photos");
        return;
    }
    const QString path = photos.Path(static_cast<int>(state.range(0)));
    const QString target = photos.dir.filePath(QStringLiteral("small.jpg"));
    for (auto _ : state)
        batch::ConvertJPG(path, target, 80, QStringLiteral("640"));
    if (!QFile::exists(target))
        state.SkipWithError("nothing was written");
}

// A decoded photo as it comes from the decoder, before any turn; on failure the
// benchmark is skipped and the bitmap is empty.
imaging::Bitmap24 StoredPicture(benchmark::State& state)
{
    imaging::Bitmap24 stored = imaging::NewBitmap24(kWidth, kHeight);
    if (!stored.bits) {
        state.SkipWithError("cannot create the bitmap");
        return stored;
    }
    std::memset(stored.bits, 0x5A, static_cast<std::size_t>(stored.stride) * kHeight);
    return stored;
}

// The turn as a pass of its own: a second full-size bitmap, filled column by column
// from the decoded one (orientation 6: turned right, 8: turned left).
void BM_TurnByColumns_4000x3000(benchmark::State& state)
{
    const int orientation = static_cast<int>(state.range(0));
    imaging::Bitmap24 stored = StoredPicture(state);
    if (!stored.bits)
        return;
    for (auto _ : state) {
        imaging::Bitmap24 result = imaging::NewBitmap24(kHeight, kWidth);
        const std::int64_t x0 = orientation == 8 ? kWidth - 1 : 0;
        const std::int64_t xdy = orientation == 8 ? -1 : 1;
        const std::int64_t y0 = orientation == 8 ? 0 : kHeight - 1;
        const std::int64_t ydx = orientation == 8 ? 1 : -1;
        const std::int64_t stepX = -ydx * stored.stride;
        for (std::int32_t y = 0; y < result.height; ++y) {
            const std::uint8_t* from = stored.RowFromTop(static_cast<std::int32_t>(y0)) + 3 * (x0 + y * xdy);
            std::uint8_t* to = result.RowFromTop(y);
            for (std::int32_t x = 0; x < result.width; ++x, from += stepX, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
        benchmark::DoNotOptimize(result.bits);
    }
}

// The turn as the loader makes it: each band of 16 decoded rows placed upright in the one
// bitmap. Here the bands come from a bitmap decoded beforehand, so they are not in the
// cache as they are right after their decode.
void BM_TurnInBands_4000x3000(benchmark::State& state)
{
    const int orientation = static_cast<int>(state.range(0));
    imaging::Bitmap24 stored = StoredPicture(state);
    if (!stored.bits)
        return;
    constexpr int kBand = 16;
    for (auto _ : state) {
        imaging::Bitmap24 result = imaging::NewBitmap24(kHeight, kWidth);
        const std::uint8_t* rows[kBand];
        for (std::int32_t first = 0; first < kHeight; first += kBand) {
            const int count = std::min(kBand, kHeight - first);
            for (int i = 0; i < count; ++i)
                rows[i] = stored.RowFromTop(first + i);
            imaging::PlaceTurnedRows(result, rows, count, first, kWidth, kHeight, orientation);
        }
        benchmark::DoNotOptimize(result.bits);
    }
}

// The floor under any full-size pass: a new bitmap, written once front to back.
void BM_NewBitmapFilled_4000x3000(benchmark::State& state)
{
    for (auto _ : state) {
        imaging::Bitmap24 result = imaging::NewBitmap24(kHeight, kWidth);
        std::memset(result.bits, 0x5A, static_cast<std::size_t>(result.stride) * result.height);
        benchmark::DoNotOptimize(result.bits);
    }
}

} // namespace

BENCHMARK(BM_NewBitmapFilled_4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPicture_4000x3000)->Arg(1)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertJPG_Turned_4000x3000_to_640_q80)->Arg(1)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnByColumns_4000x3000)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnInBands_4000x3000)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
