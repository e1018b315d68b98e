// The sources are never written, on a real file system: links, "missing/.." spellings,
// names that are not UTF-8 and relative paths, each through the shrink command itself.

#include "common/BatchTestSupport.h"

#include "batch/JobSettings.h"
#include "batch/ShrinkRun.h"
#include "batch/SourceGuard.h"
#include "imaging/AtomicFile.h"
#include "imaging/TargetFolder.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using apptest::JpegSize;
using apptest::RecordingProgress;
using apptest::WriteJpeg;
using batch::RunOutcome;

namespace {

QByteArray ReadAll(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return data;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

// The names in a folder, as bytes.
std::set<QByteArray> NamesIn(const QByteArray& folder)
{
    std::set<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.insert(name);
        }
        ::closedir(dir);
    }
    return names;
}

class SourceSafetyTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }

    void Link(const QString& pointsTo, const QString& relative)
    {
        ASSERT_EQ(::symlink(platform::EncodeFileName(pointsTo).constData(),
                            platform::EncodeFileName(Path(relative)).constData()),
                  0);
    }

    // Every regular file below the folder (links not followed), bytes by path.
    static QMap<QString, QByteArray> Contents(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, ReadAll(QFile::encodeName(path)));
        }
        return files;
    }

    RunOutcome Run(const QString& source, const QString& target, bool subfolders = false, bool typed = true)
    {
        batch::RunRequest request;
        request.sourceText = source;
        request.targetText = target;
        request.sizeText = QStringLiteral("16");
        request.includeSubfolders = subfolders;
        request.trimTexts = typed;
        request.workers = 2;
        return apptest::RunShrinkJob(request, progress_);
    }

    // Every temporary file left anywhere below the test's folder.
    QStringList Leftovers() const
    {
        QStringList parts;
        QDirIterator it(root_.path(), QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(".part"))
                parts << path;
        }
        return parts;
    }

    // Moves the folder T aside and puts a link to S in its place, as a hostile user or
    // a careless script might while a run writes.
    bool SwapTargetForLinkToSource()
    {
        return QDir(root_.path()).rename("T", "T.real") && QFile::link(Path("S"), Path("T"));
    }
    bool RestoreTarget() { return QFile::remove(Path("T")) && QDir(root_.path()).rename("T.real", "T"); }

    apptest::PrivateStore store_;
    QTemporaryDir root_;
    RecordingProgress progress_;
};

TEST_F(SourceSafetyTest, ALinkInTheTargetNeverLeadsAWriteIntoTheSources)
{
    ASSERT_TRUE(WriteJpeg(Path("S/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("S/b.jpg"), 64, 48));
    ASSERT_TRUE(QDir().mkpath(Path("T")));
    Link(Path("S/a.jpg"), "T/a.jpg");
    const auto sources = Contents(Path("S"));

    platform::MessageBoxRecorder boxes;
    EXPECT_EQ(Run(Path("S"), Path("T")), RunOutcome::Finished);
    EXPECT_EQ(Contents(Path("S")), sources);
    EXPECT_EQ(JpegSize(Path("T/b.jpg")), QSize(16, 12));
    // The refused file is named to the user; the link stays as it was.
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_TRUE(boxes.Calls()[0].text.contains(Path("T/a.jpg")));
    EXPECT_TRUE(QFileInfo(Path("T/a.jpg")).isSymLink());

    // A folder of links to the originals, shrunk into the originals' own folder.
    ASSERT_TRUE(QDir().mkpath(Path("Auswahl")));
    Link(Path("S/b.jpg"), "Auswahl/b.jpg");
    boxes.Clear();
    EXPECT_EQ(Run(Path("Auswahl"), Path("S")), RunOutcome::Finished);
    EXPECT_EQ(Contents(Path("S")), sources);
    EXPECT_EQ(boxes.Calls().size(), 1u);
}

TEST_F(SourceSafetyTest, TargetsThatResolveIntoTheSourceAreRefusedBeforeTheRun)
{
    ASSERT_TRUE(WriteJpeg(Path("P/S/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("P/S/sub/b.jpg"), 64, 48));
    Link(Path("P/S/sub"), "P/S_klein"); // what "zimbrel P/S" derives as its target
    const auto sources = Contents(Path("P/S"));

    for (const QString& target : {Path("P/S_klein"), Path("P/nox/../S"), Path("P/nox/../S/klein")}) {
        platform::MessageBoxRecorder boxes;
        EXPECT_EQ(Run(Path("P/S"), target, true), RunOutcome::Stopped) << target.toStdString();
        EXPECT_EQ(boxes.Calls().size(), 1u) << target.toStdString();
    }
    // A single picture whose target spells its own folder through a missing "nox/..".
    platform::MessageBoxRecorder boxes;
    EXPECT_EQ(Run(Path("P/S/a.jpg"), Path("P/S/nox/../a.jpg")), RunOutcome::Stopped);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, "Quell- und Ziel-Datei ist identisch!");

    EXPECT_EQ(Contents(Path("P/S")), sources);
    EXPECT_FALSE(QFileInfo::exists(Path("P/nox")));
    EXPECT_FALSE(QFileInfo::exists(Path("P/S/nox")));
}

TEST_F(SourceSafetyTest, ALinkOutOfTheSourceNeverReshrinksTheTarget)
{
    ASSERT_TRUE(WriteJpeg(Path("P/S/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("P/T/a.jpg"), 200, 100)); // from an earlier run
    Link(QStringLiteral(".."), "P/S/up");
    const auto sources = Contents(Path("P/S"));

    platform::MessageBoxRecorder boxes;
    EXPECT_EQ(Run(Path("P/S"), Path("P/T"), true), RunOutcome::Finished);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_EQ(Contents(Path("P/S")), sources);
    EXPECT_EQ(JpegSize(Path("P/T/a.jpg")), QSize(16, 12)); // from S/a.jpg, not from itself
}

TEST_F(SourceSafetyTest, NamesKeepTheirBytes)
{
    const QByteArray jpeg = [] {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
        return bytes;
    }();
    const struct {
        QByteArray folder;
        std::set<QByteArray> names;
        const char* shown; // how the progress window shows one of the files
    } cases[] = {
        // Bytes that are not UTF-8.
        {"Fotos-\xe9", {"a.jpg", "caf\xe9.jpg", "\xff\xfe.JPG"}, "/Fotos-\xc3\xa9/caf\xc3\xa9.jpg"},
        // Characters past U+FFFF (surrogate pairs in the text form), and a surrogate
        // encoded as UTF-8 as some archives write it, which is not UTF-8.
        {"Hochzeit \xF0\x9F\x92\x8D",
         {"Torte \xF0\x9F\x92\x90.jpg", "\xED\xA0\x80.jpg"},
         "/Hochzeit \xF0\x9F\x92\x8D/Torte \xF0\x9F\x92\x90.jpg"},
    };
    for (const auto& c : cases) {
        const QByteArray folder = QFile::encodeName(root_.path()) + '/' + c.folder;
        ASSERT_EQ(::mkdir(folder.constData(), 0777), 0);
        for (const QByteArray& name : c.names) {
            const int fd = ::open((folder + '/' + name).constData(), O_WRONLY | O_CREAT, 0666);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, jpeg.constData(), static_cast<size_t>(jpeg.size())), jpeg.size());
            ::close(fd);
        }
        const QString source = platform::DecodeFileName(folder);
        const QString target = batch::DerivedTarget(source);

        platform::MessageBoxRecorder boxes;
        EXPECT_EQ(Run(source, target, true), RunOutcome::Finished);
        EXPECT_TRUE(boxes.Calls().empty());
        const QByteArray written = platform::EncodeFileName(target);
        EXPECT_EQ(written, folder + "_klein");
        EXPECT_EQ(NamesIn(written), c.names) << c.folder.toHex().toStdString();
        // The progress window shows the names readably.
        EXPECT_TRUE(progress_.statuses.contains(QDir::fromNativeSeparators(root_.path()) + QString::fromUtf8(c.shown)))
            << c.shown;
    }
}

TEST_F(SourceSafetyTest, RelativePathsMeanTheWorkingFolder)
{
    ASSERT_TRUE(WriteJpeg(Path("Fotos-Eltern/Urlaub/a.jpg"), 64, 48));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Path("Fotos-Eltern")));

    // As "zimbrel Urlaub" starts: the argument made absolute, the target derived from it.
    char program[] = "zimbrel";
    char argument[] = "Urlaub";
    char* argv[] = {program, argument, nullptr};
    const QStringList arguments = batch::ProgramArguments(2, argv);
    const batch::StartSettings start = batch::ReadStartSettings(batch::CommandLineFromArguments(arguments));
    EXPECT_EQ(start.source, Path("Fotos-Eltern/Urlaub"));
    EXPECT_EQ(Run(start.source, start.target), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("Fotos-Eltern/Urlaub_klein/a.jpg")), QSize(16, 12));

    // Typed into the boxes as relative paths, several levels deep.
    EXPECT_EQ(Run(QStringLiteral("Urlaub"), QStringLiteral("neu/klein")), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("Fotos-Eltern/neu/klein/a.jpg")), QSize(16, 12));
    QDir::setCurrent(previous);
}

TEST_F(SourceSafetyTest, ATargetFolderSwappedForALinkIntoTheSourceKeepsEveryWrite)
{
    ASSERT_TRUE(WriteJpeg(Path("S/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("S/b.jpg"), 64, 48));
    const auto sources = Contents(Path("S"));
    struct Case {
        const char* what;
        QString source;
        QStringList written;
    };
    for (const Case& c :
         {Case{"folder run", Path("S"), {"a.jpg", "b.jpg"}}, Case{"one picture", Path("S/a.jpg"), {"a.jpg"}}}) {
        // Swapped once the target folder is open, before the first picture is read.
        bool swapped = false;
        progress_.onStatus = [&](RecordingProgress&, const QString&) {
            if (!swapped)
                swapped = SwapTargetForLinkToSource();
        };
        platform::MessageBoxRecorder boxes;
        EXPECT_EQ(Run(c.source, Path("T/")), RunOutcome::Finished) << c.what;
        ASSERT_TRUE(swapped);
        EXPECT_TRUE(boxes.Calls().empty()) << c.what;
        EXPECT_EQ(Contents(Path("S")), sources) << c.what;
        EXPECT_EQ(QDir(Path("T.real")).entryList(QDir::Files), c.written) << c.what;
        EXPECT_TRUE(Leftovers().isEmpty()) << c.what;
        ASSERT_TRUE(RestoreTarget());
        ASSERT_TRUE(QDir(Path("T")).removeRecursively());
    }
}

TEST_F(SourceSafetyTest, ASwapperRacingTheRunNeverTouchesTheSources)
{
    constexpr int kPictures = 150;
    ASSERT_TRUE(WriteJpeg(Path("S/p000.jpg"), 96, 64));
    for (int i = 1; i < kPictures; ++i)
        ASSERT_TRUE(QFile::copy(Path("S/p000.jpg"), Path(QStringLiteral("S/p%1.jpg").arg(i, 3, 10, QLatin1Char('0')))));
    const auto sources = Contents(Path("S"));

    std::atomic<bool> stop{false};
    std::atomic<int> swaps{0};
    std::thread swapper;
    progress_.onStatus = [&](RecordingProgress&, const QString&) {
        if (swapper.joinable())
            return;
        swapper = std::thread([&] {
            while (!stop) {
                if (SwapTargetForLinkToSource()) {
                    ++swaps;
                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                    RestoreTarget();
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
    };
    platform::MessageBoxRecorder boxes;
    EXPECT_EQ(Run(Path("S"), Path("T")), RunOutcome::Finished);
    stop = true;
    ASSERT_TRUE(swapper.joinable());
    swapper.join();
    if (QFileInfo::exists(Path("T.real"))) {
        ASSERT_TRUE(RestoreTarget());
    }

    EXPECT_GT(swaps.load(), 0);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_EQ(Contents(Path("S")), sources);
    EXPECT_EQ(QDir(Path("T")).entryList(QDir::Files).size(), kPictures);
    EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(' ').toStdString();
}

TEST_F(SourceSafetyTest, BlanksAtTheEndsOfNamesArePartOfThem)
{
    ASSERT_TRUE(WriteJpeg(Path("dir / c.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("dir /c.jpg"), 48, 64));
    platform::MessageBoxRecorder boxes;
    // Named on a command line, the folder is "dir " and its pictures keep their names.
    EXPECT_EQ(Run(Path("dir "), Path("T"), false, false), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("T/ c.jpg")), QSize(16, 12));
    EXPECT_EQ(JpegSize(Path("T/c.jpg")), QSize(12, 16));
    // One picture into a folder: its name with the blank.
    EXPECT_EQ(Run(Path("dir / c.jpg"), Path("U/"), false, false), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("U/ c.jpg")), QSize(16, 12));
    // Typed into the window's boxes, the texts lose the blanks at their ends.
    EXPECT_EQ(Run("  " + Path("dir /") + " ", " " + Path("V") + "  "), RunOutcome::Finished);
    EXPECT_EQ(QDir(Path("V")).entryList(QDir::Files), (QStringList{" c.jpg", "c.jpg"}));
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(SourceSafetyTest, ATargetThatCannotBeMadeStopsTheRunBeforeAnyPictureIsRead)
{
    ASSERT_TRUE(WriteJpeg(Path("S/a.jpg"), 64, 48));
    QFile file(Path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString& source : {Path("S"), Path("S/a.jpg")}) {
        platform::MessageBoxRecorder boxes;
        progress_.statuses.clear();
        EXPECT_EQ(Run(source, Path("file/sub/")), RunOutcome::Stopped);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text,
                  "Das Ziel-Verzeichnis\n\n" + Path("file/sub")
                      + "\n\nkann nicht angelegt oder beschrieben werden: Not a directory");
        EXPECT_TRUE(progress_.statuses.isEmpty());
    }
    EXPECT_EQ(progress_.opened, 0);
    EXPECT_EQ(apptest::StoredValue(batch::kSourcePathValue), apptest::kUnset);
}

// What the run flushed: the identity of each folder it asked syncfs about.
std::vector<std::pair<dev_t, ino_t>> synced;
int syncResult = 0;
int RecordingSyncfs(int fd)
{
    struct stat st {};
    ::fstat(fd, &st);
    synced.emplace_back(st.st_dev, st.st_ino);
    errno = EIO;
    return syncResult;
}

TEST_F(SourceSafetyTest, TheTargetIsFlushedOnceBeforeTheRunEnds)
{
    ASSERT_TRUE(WriteJpeg(Path("S/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("S/b.jpg"), 64, 48));
    imaging::FinishCalls calls;
    calls.syncfs = &RecordingSyncfs;
    const imaging::FinishCalls previous = imaging::SetFinishCalls(calls);
    for (const QString& source : {Path("S"), Path("S/a.jpg")}) {
        ASSERT_TRUE(QDir(Path("T")).removeRecursively());
        synced.clear();
        syncResult = 0;
        platform::MessageBoxRecorder boxes;
        EXPECT_EQ(Run(source, Path("T/")), RunOutcome::Finished);
        struct stat target {};
        ASSERT_EQ(::stat(QFile::encodeName(Path("T")).constData(), &target), 0);
        EXPECT_EQ(synced, (std::vector<std::pair<dev_t, ino_t>>{{target.st_dev, target.st_ino}}));
        EXPECT_TRUE(boxes.Calls().empty());

        // A device that reports a lost write is not a run that says all is well.
        syncResult = -1;
        ASSERT_TRUE(QDir(Path("T")).removeRecursively());
        EXPECT_EQ(Run(source, Path("T/")), RunOutcome::Finished);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text,
                  "Die Kopien im Ziel-Verzeichnis\n\n" + Path("T")
                      + "\n\nsind womöglich nicht vollständig gespeichert: Input/output error");
    }
    imaging::SetFinishCalls(previous);
}

TEST_F(SourceSafetyTest, TheGuardAsksTheOpenFolderWhereItIsNow)
{
    ASSERT_TRUE(WriteJpeg(Path("S/a.jpg"), 64, 48));
    std::optional<imaging::TargetFolder> folder = imaging::TargetFolder::Open(QFile::encodeName(Path("T")), nullptr);
    ASSERT_TRUE(folder);
    batch::SourceGuard guard(Path("S/"));
    guard.AddSource(Path("S/a.jpg"));
    EXPECT_EQ(guard.Refusal(*folder, "a.jpg"), "");
    // A second name for a source picture inside the target.
    ASSERT_EQ(::link(QFile::encodeName(Path("S/a.jpg")).constData(), QFile::encodeName(Path("T/b.jpg")).constData()),
              0);
    EXPECT_EQ(guard.Refusal(*folder, "b.jpg"), "refused: the target is one of the source pictures");
    // The open folder moved into the source during the run.
    ASSERT_TRUE(QDir(root_.path()).rename("T", "S/T"));
    EXPECT_EQ(guard.Refusal(*folder, "a.jpg"), "refused: the target lies inside the source folder");
    EXPECT_EQ(guard.PlaceOf(*folder), batch::Placement::Inside);
}

} // namespace
