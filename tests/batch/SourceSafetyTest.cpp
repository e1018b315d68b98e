// The sources are never written, on a real file system: links, "missing/.." spellings,
// names that are not UTF-8 and relative paths, each through the shrink command itself.

#include "common/BatchTestSupport.h"

#include "batch/JobSettings.h"
#include "batch/ShrinkRun.h"
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

#include <set>

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

    RunOutcome Run(const QString& source, const QString& target, bool subfolders = false)
    {
        batch::RunRequest request;
        request.sourceText = source;
        request.targetText = target;
        request.sizeText = QStringLiteral("16");
        request.includeSubfolders = subfolders;
        return batch::RunShrinkJob(request, progress_);
    }

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

} // namespace
