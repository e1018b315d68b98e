// A folder run on several workers looks to the user exactly like one on a single thread.

#include "common/BatchTestSupport.h"

#include "batch/FolderWorkers.h"
#include "batch/ShrinkRun.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using apptest::JpegSize;
using apptest::RecordingProgress;
using apptest::WriteJpeg;

namespace {

class ParallelRunTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }

    void Run(const QString& target, int workers, bool subfolders, RecordingProgress& progress)
    {
        batch::RunRequest request;
        request.sourceText = Path("src");
        request.targetText = target;
        request.sizeText = QStringLiteral("50%");
        request.quality = 85;
        request.includeSubfolders = subfolders;
        request.workers = workers;
        EXPECT_EQ(apptest::RunShrinkJob(request, progress), batch::RunOutcome::Finished);
    }

    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    apptest::PrivateStore store_;
    QTemporaryDir root_;
};

TEST_F(ParallelRunTest, EveryWorkerCountWritesTheSameBytes)
{
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 120 + 37 * i, 90 + 11 * i));
    // Two subfolders that share a name: the later one in the list wins, as on one thread.
    ASSERT_TRUE(WriteJpeg(Path("src/a/same.jpg"), 300, 200));
    ASSERT_TRUE(WriteJpeg(Path("src/b/same.jpg"), 64, 120));

    RecordingProgress one;
    Run(Path("one"), 1, true, one);
    for (const int workers : {2, 5}) {
        const QString target = Path(QStringLiteral("many%1").arg(workers));
        RecordingProgress many;
        Run(target, workers, true, many);
        const QStringList names = QDir(Path("one")).entryList(QDir::Files);
        ASSERT_EQ(QDir(target).entryList(QDir::Files), names);
        for (const QString& name : names)
            EXPECT_EQ(Bytes(target + u'/' + name), Bytes(Path("one/") + name)) << name.toStdString();
        // The largest files (last in the list) start first, yet the statuses name the
        // files in list order; the bar counts finished files, one step each.
        EXPECT_EQ(many.statuses, one.statuses);
        ASSERT_EQ(many.fractions.size(), 10u);
        EXPECT_EQ(many.fractions.back(), 1.0);
    }
    EXPECT_EQ(JpegSize(Path("one/same.jpg")), QSize(32, 60));
}

TEST_F(ParallelRunTest, BoxesComeInListOrderAndCancelLeavesOnlyCompleteFiles)
{
    // A large first file finishes after the small ones behind it; both refusals name
    // their files, and the first file's box still comes first.
    ASSERT_TRUE(WriteJpeg(Path("src/1.jpg"), 1600, 1200));
    for (int i = 2; i <= 6; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 40, 30));
    ASSERT_TRUE(QDir().mkpath(Path("out")));
    ASSERT_TRUE(QFile::link(Path("src/1.jpg"), Path("out/1.jpg")));
    ASSERT_TRUE(QFile::link(Path("src/3.jpg"), Path("out/3.jpg")));
    {
        platform::MessageBoxRecorder boxes;
        RecordingProgress progress;
        Run(Path("out"), 3, false, progress);
        ASSERT_EQ(boxes.Calls().size(), 2u);
        EXPECT_TRUE(boxes.Calls()[0].text.contains(Path("out/1.jpg")));
        EXPECT_TRUE(boxes.Calls()[1].text.contains(Path("out/3.jpg")));
    }

    // "Abbrechen" while the third file starts: the files in work finish, no more start.
    RecordingProgress progress;
    progress.onStatus = [this](RecordingProgress& view, const QString& status) {
        if (status == Path("src/3.jpg"))
            view.cancel = true;
    };
    Run(Path("stopped"), 3, false, progress);
    EXPECT_EQ(QDir(Path("stopped")).entryList(QDir::Files | QDir::Hidden), (QStringList{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(JpegSize(Path("stopped/1.jpg")), QSize(800, 600));
    EXPECT_EQ(progress.fractions.size(), 3u);
}

// Tells a test's waiting worker what the run's thread did: started a file, took a
// finished one back, or let window events run.
class WatchingProgress : public RecordingProgress {
public:
    explicit WatchingProgress(QString later) : later_(std::move(later)) {}

    void FileStarted(const QString& source) override
    {
        Note([&] { laterStarted = laterStarted || source == later_; });
        RecordingProgress::FileStarted(source);
    }
    void Progress(double fraction) override
    {
        Note([&] { ++finished; });
        RecordingProgress::Progress(fraction);
    }
    bool EventsRan() override
    {
        Note([&] { ++eventsRun; });
        return RecordingProgress::EventsRan();
    }

    // Blocks until the run's thread has either started the later file and taken it
    // back finished, or let events run without starting it.
    void WaitForTheRunsChoice()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return laterStarted ? finished > 0 : eventsRun > 0; });
    }

    bool laterStarted = false;
    int finished = 0;
    int eventsRun = 0;

private:
    template <typename Change>
    void Note(Change change)
    {
        {
            const std::scoped_lock lock(mutex_);
            change();
        }
        changed_.notify_all();
    }

    QString later_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

TEST_F(ParallelRunTest, TheLaterFileOfANameWaitsForTheEarlierOne)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a/same.jpg"), 2400, 1800));
    ASSERT_TRUE(WriteJpeg(Path("src/b/same.jpg"), 40, 30));
    // The earlier file's work is held until the run's thread has shown its choice: the
    // run starts files before it lets events run, so a later file not started by then
    // waits. Were it started, it is written first and the earlier file after it.
    WatchingProgress progress(Path("src/b/same.jpg"));
    struct ClearHook {
        ~ClearHook() { batch::SetBeforeWorkHookForTests({}); }
    } clearHook;
    batch::SetBeforeWorkHookForTests([&](const batch::FileTask& task) {
        if (task.source == Path("src/a/same.jpg"))
            progress.WaitForTheRunsChoice();
    });
    Run(Path("out"), 2, true, progress);
    EXPECT_EQ(JpegSize(Path("out/same.jpg")), QSize(20, 15));
}

} // namespace
