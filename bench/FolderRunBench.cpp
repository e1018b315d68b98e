// A whole folder run without windows: 40 photo-like 12-megapixel JPEGs, and the 40 mixed
// photos of bench::MixedCorpus, shrunk to 640 pixels at quality 80, on one worker and on
// one per core, next to the plain full-size single-core decodes of the same files. Each run also reports its peak
// memory and how often a worker had to wait for the drawing layer's handle table. What putting the copies on the device
// costs (a flush per copy that replaces an earlier one, one flush of the target's file system at the end) shows against
// runs whose flushes do nothing, into a target holding the copies of the run before and into an empty one.

#include "BenchPhotos.h"
#include "batch/FolderWorkers.h"
#include "batch/ShrinkRun.h"
#include "imaging/AtomicFile.h"
#include "platform/Gdi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>

#include <string>
#include <unistd.h>
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

// A front end that watches nothing and decides nothing: the run alone is timed.
class Silent : public batch::RunObserver, public batch::RunDecisions {
public:
    void RunStarted(batch::RunKind) override {}
    void FilesListed(qsizetype) override {}
    void FileStarted(const QString&) override {}
    void FileFinished(const QString&, const QString&, const batch::ConvertReport&) override {}
    void Progress(double) override {}
    bool CancelRequested() const override { return false; }
    void RunEnded() override {}
    bool ConfirmOverwrite(const QString&) override { return true; }
    void Refused(batch::Refusal, const QString&, const QString&) override {}
    void Failed(const QString&, const QString&, const batch::ConvertReport&) override {}
    void TargetUnusable(const QString&, const QString&) override {}
    void NotFlushed(const QString&, const QString&) override {}
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

int NoFlush(int)
{
    return 0;
}

// The real flushes, timed: their share of a run is smaller than the spread between runs.
std::atomic<long long> flushNanoseconds{0};
template <int (*Call)(int)>
int Timed(int fd)
{
    const auto start = std::chrono::steady_clock::now();
    const int result = Call(fd);
    flushNanoseconds +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    return result;
}
int Fsync(int fd)
{
    return ::fsync(fd);
}
int Syncfs(int fd)
{
    return ::syncfs(fd);
}

void BM_FolderRun_40x12MP_to_640_q80(benchmark::State& state)
{
    Corpus& corpus = TheCorpus();
    const bool flush = state.range(1) != 0;
    const bool emptyTarget = state.range(2) != 0;
    imaging::FinishCalls calls;
    calls.fsync = flush ? &Timed<&Fsync> : &NoFlush;
    calls.syncfs = flush ? &Timed<&Syncfs> : &NoFlush;
    const imaging::FinishCalls previous = imaging::SetFinishCalls(calls);
    batch::RunRequest request;
    request.sourceText = corpus.source;
    request.targetText = corpus.dir.path() + QStringLiteral("/klein");
    request.quality = 80;
    request.sizeText = QStringLiteral("640");
    request.saveSettings = false;
    request.workers = static_cast<int>(state.range(0));
    Silent silent;
    const long waitsBefore = gdi::LockWaits();
    ResetPeakMemory();
    // The copies of an earlier run are there (or not) before the first timed run too.
    batch::RunShrinkJob(request, silent, silent);
    flushNanoseconds = 0;
    for (auto _ : state) {
        if (emptyTarget) {
            state.PauseTiming();
            QDir(request.targetText).removeRecursively();
            ::sync(); // the removal's own writes are not the run's
            state.ResumeTiming();
        }
        batch::RunShrinkJob(request, silent, silent);
    }
    imaging::SetFinishCalls(previous);
    Report(state);
    state.counters["workers"] = batch::WorkerCount(request.workers);
    state.counters["flush_ms"] = static_cast<double>(flushNanoseconds) / 1e6 / static_cast<double>(state.iterations());
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
    Silent silent;
    ResetPeakMemory();
    for (auto _ : state)
        batch::RunShrinkJob(request, silent, silent);
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

// Arguments: workers (0: one per core); flush (1: as the program does, 0: flushes that do
// nothing); empty target (1: the run writes new files, 0: it replaces the last run's).
BENCHMARK(BM_FolderRun_40x12MP_to_640_q80)
    ->ArgNames({"workers", "flush", "empty_target"})
    ->Args({1, 1, 0})
    ->Args({0, 1, 0})
    ->Args({0, 0, 0})
    ->Args({0, 1, 1})
    ->Args({0, 0, 1})
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
