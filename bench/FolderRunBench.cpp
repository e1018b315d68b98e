// A whole folder run without windows: 40 photo-like 12-megapixel JPEGs, and the 40 mixed
// photos of bench::MixedCorpus, shrunk to 640 pixels at quality 80, on one worker and on
// one per core, next to the plain full-size single-core decodes of the same files. Each run also reports its peak
// memory and how often a worker had to wait for the drawing layer's handle table.

#include "BenchPhotos.h"
#include "batch/FolderWorkers.h"
#include "batch/ShrinkRun.h"
#include "platform/Gdi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
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

struct MixedCorpus {
    QTemporaryDir dir;
    QString source;
    double megapixels = 0;

    MixedCorpus()
    {
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toLocal8Bit());
        source = dir.path() + QStringLiteral("/fotos");
        QDir().mkpath(source);
        const std::vector<bench::MixedPhoto> photos = bench::MixedCorpus();
        for (std::size_t i = 0; i < photos.size(); ++i) {
            QFile file(source + QStringLiteral("/foto%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
            file.open(QIODevice::WriteOnly);
            file.write(bench::MixedCorpusJpeg(photos[i], static_cast<unsigned>(i)));
            megapixels += photos[i].width * double(photos[i].height) / 1e6;
        }
    }
};

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

// The kernel's peak resident size is reset at the start of each run, so every run
// reports its own peak (VmHWM), not the largest of the whole program.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMemoryMB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

void Report(benchmark::State& state)
{
    state.counters["images_per_s"] = benchmark::Counter(kFiles * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["source_MP_per_s"] = benchmark::Counter(kFiles * (kWidth * kHeight / 1e6) * state.iterations(),
                                                           benchmark::Counter::kIsRate);
}

void BM_FolderRun_40x12MP_to_640_q80(benchmark::State& state)
{
    Corpus& corpus = TheCorpus();
    batch::RunRequest request;
    request.sourceText = corpus.source;
    request.targetText = corpus.dir.path() + QStringLiteral("/klein");
    request.quality = 80;
    request.sizeText = QStringLiteral("640");
    request.saveSettings = false;
    request.workers = static_cast<int>(state.range(0));
    SilentProgress progress;
    const long waitsBefore = gdi::LockWaits();
    ResetPeakMemory();
    for (auto _ : state)
        batch::RunShrinkJob(request, progress);
    Report(state);
    state.counters["workers"] = batch::WorkerCount(request.workers);
    state.counters["peak_MB"] = PeakMemoryMB();
    state.counters["handle_table_waits"] = static_cast<double>(gdi::LockWaits() - waitsBefore);
}

void BM_FolderRun_40Mixed_to_640_q80(benchmark::State& state)
{
    static MixedCorpus corpus;
    batch::RunRequest request;
    request.sourceText = corpus.source;
    request.targetText = corpus.dir.path() + QStringLiteral("/klein");
    request.quality = 80;
    request.sizeText = QStringLiteral("640");
    request.saveSettings = false;
    request.workers = static_cast<int>(state.range(0));
    SilentProgress progress;
    ResetPeakMemory();
    for (auto _ : state)
        batch::RunShrinkJob(request, progress);
    state.counters["images_per_s"] = benchmark::Counter(kFiles * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["source_MP_per_s"] = benchmark::Counter(corpus.megapixels * state.iterations(),
                                                           benchmark::Counter::kIsRate);
    state.counters["workers"] = batch::WorkerCount(request.workers);
    state.counters["peak_MB"] = PeakMemoryMB();
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

// Argument: workers (0: one per core).
BENCHMARK(BM_FolderRun_40x12MP_to_640_q80)
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FolderRun_40Mixed_to_640_q80)
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FullDecode_40x12MP)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
