// A whole folder run without windows: 40 photo-like 12-megapixel JPEGs shrunk to 640
// pixels at quality 80, next to the plain full-size decodes of the same files.

#include "app/ShrinkRun.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kFiles = 40;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth light gradients, a few hard-edged shapes and fine grain: JPEG works about as hard
// on it as on a real photo (unlike a flat colour, which decodes unrealistically fast).
QByteArray PhotoLikeJpeg(int seed)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const double sky = 0.5 + 0.5 * std::sin((x + seed * 97) * 0.0021) * std::cos(y * 0.0017);
            const bool shape = ((x / 350 + y / 280 + seed) % 5) == 0;
            const int grain = static_cast<int>(random.bounded(24)) - 12;
            const int base = shape ? 60 : static_cast<int>(40 + 170 * sky);
            row[3 * x + 0] = static_cast<uchar>(std::clamp(base + grain + (y % 64), 0, 255));
            row[3 * x + 1] = static_cast<uchar>(std::clamp(base / 2 + grain + (x % 48), 0, 255));
            row[3 * x + 2] = static_cast<uchar>(std::clamp(255 - base + grain, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 92);
    return bytes;
}

struct Corpus {
    QTemporaryDir dir;
    QString source;
    std::vector<QByteArray> files;

    Corpus()
    {
        // The run saves its settings: keep them out of the user's own store.
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toLocal8Bit());
        source = dir.path() + QStringLiteral("/fotos");
        QDir().mkpath(source);
        for (int i = 0; i < kFiles; ++i) {
            // Four distinct pictures are enough; the decoder does the same work on each copy.
            if (i < 4)
                files.push_back(PhotoLikeJpeg(i));
            else
                files.push_back(files[static_cast<std::size_t>(i % 4)]);
            QFile file(source + QStringLiteral("/foto%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
            file.open(QIODevice::WriteOnly);
            file.write(files.back());
        }
    }
};

Corpus& TheCorpus()
{
    static Corpus corpus;
    return corpus;
}

class SilentProgress : public batch::ProgressView {
public:
    void Open() override {}
    void ClearCancel() override {}
    void ShowStatus(const QString&) override {}
    void Activate() override {}
    void ShowProgress(double) override {}
    void LetEventsRun() override {}
    bool CancelRequested() const override { return false; }
    void Close() override {}
};

void Report(benchmark::State& state)
{
    state.counters["images_per_s"] = benchmark::Counter(kFiles * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["source_MP_per_s"] = benchmark::Counter(
        kFiles * (kWidth * kHeight / 1e6) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_FolderRun_40x12MP_to_640_q80(benchmark::State& state)
{
    Corpus& corpus = TheCorpus();
    batch::RunRequest request;
    request.sourceText = corpus.source;
    request.targetText = corpus.dir.path() + QStringLiteral("/klein");
    request.quality = 80;
    request.sizeText = QStringLiteral("640");
    SilentProgress progress;
    for (auto _ : state)
        batch::RunShrinkJob(request, progress);
    Report(state);
}

void BM_FullDecode_40x12MP(benchmark::State& state)
{
    Corpus& corpus = TheCorpus();
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        for (const QByteArray& file : corpus.files) {
            tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(file.constData()),
                          static_cast<unsigned long>(file.size()), pixels.data(), kWidth, 0, kHeight, TJPF_BGR,
                          TJFLAG_BOTTOMUP);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    tjDestroy(decoder);
    Report(state);
}

} // namespace

BENCHMARK(BM_FolderRun_40x12MP_to_640_q80)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FullDecode_40x12MP)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
