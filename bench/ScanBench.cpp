// The folder scan over a large tree, against `find DIR -iname '*.jp*g'` on the same tree
// in the same run. The tree: 1,000 folders (10 top folders of 99 subfolders each), 100
// files in each, every 50th a JPEG (2%). Goal: Scan no slower than twice find.
#include "batch/FileListScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kTopFolders = 10;
constexpr int kSubFolders = 99;
constexpr int kFilesPerFolder = 100;
constexpr int kJpegEvery = 50;

void FillFolder(const QString& folder, int& serial)
{
    QDir().mkpath(folder);
    for (int i = 0; i < kFilesPerFolder; ++i, ++serial) {
        const char* extension = serial % kJpegEvery != 0 ? ".txt" : (serial / kJpegEvery) % 2 ? ".JPG" : ".jpeg";
        QFile(folder + "/f" + QString::number(serial) + extension).open(QIODevice::WriteOnly);
    }
}

// Built once per run; removed when the program ends.
const QTemporaryDir& Tree()
{
    static const std::unique_ptr<QTemporaryDir> tree = [] {
        auto dir = std::make_unique<QTemporaryDir>();
        int serial = 0;
        for (int t = 0; t < kTopFolders; ++t) {
            const QString top = dir->path() + "/top" + QString::number(t);
            FillFolder(top, serial);
            for (int s = 0; s < kSubFolders; ++s)
                FillFolder(top + "/sub" + QString::number(s), serial);
        }
        return dir;
    }();
    return *tree;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void BM_ScanVersusFind(benchmark::State& state)
{
    const QString root = Tree().path();
    const std::string find = "find '" + root.toStdString() + "' -iname '*.jp*g' > /dev/null";
    double scanSeconds = 0;
    double findSeconds = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QStringList files;
        batch::Scan(files, root + "/", true);
        benchmark::DoNotOptimize(files.data());
        const auto scanned = std::chrono::steady_clock::now();
        if (std::system(find.c_str()) != 0) {
            state.SkipWithError("find failed");
            return;
        }
        const auto found_at = std::chrono::steady_clock::now();
        scanSeconds += Seconds(scanned - start);
        findSeconds += Seconds(found_at - scanned);
        found = files.size();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["jpeg_files"] = static_cast<double>(found);
    state.counters["scan_ms"] = 1000 * scanSeconds / n;
    state.counters["find_ms"] = 1000 * findSeconds / n;
    state.counters["scan_per_find"] = scanSeconds / findSeconds;
}

// Scan alone, for its own timing.
void BM_Scan(benchmark::State& state)
{
    const QString root = Tree().path() + "/";
    for (auto _ : state) {
        QStringList files;
        batch::Scan(files, root, true);
        benchmark::DoNotOptimize(files.data());
    }
}

} // namespace

BENCHMARK(BM_ScanVersusFind)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond);
