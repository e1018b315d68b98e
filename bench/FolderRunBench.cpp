// A whole folder run without windows: 40 photo-like 12-megapixel JPEGs shrunk to 640
// pixels at quality 80, next to the plain full-size decodes of the same files.

#include "BenchPhotos.h"
#include "batch/ShrinkRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kFiles = 40;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

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
                files.push_back(bench::PhotoLikeJpeg(kWidth, kHeight, static_cast<unsigned>(i)));
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
    bench::PlainDecoder decoder;
    for (auto _ : state) {
        for (const QByteArray& file : corpus.files) {
            decoder.Decode(file);
            benchmark::DoNotOptimize(decoder.Pixels());
        }
    }
    Report(state);
}

} // namespace

BENCHMARK(BM_FolderRun_40x12MP_to_640_q80)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FullDecode_40x12MP)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
