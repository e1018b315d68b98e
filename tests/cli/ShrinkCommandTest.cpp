#include "ProgramRun.h"

#include "common/BatchTestSupport.h"
#include "common/PictureTestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

using apptest::JpegSize;
using apptest::WriteJpeg;

namespace {

using clitest::Result;

class ShrinkCommandTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }

    static Result Shrink(const QStringList& arguments) { return clitest::Shrink(arguments); }

    QTemporaryDir root_;
};

TEST_F(ShrinkCommandTest, UsageErrorsExitWithTwoAndWriteNothing)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    for (const QStringList& arguments :
         {QStringList{}, QStringList{Path("src")}, QStringList{"-q", "5", Path("src"), Path("out")},
          QStringList{"--quality=abc", Path("src"), Path("out")}, QStringList{"-j", "0", Path("src"), Path("out")},
          QStringList{"--frobnicate", Path("src"), Path("out")}, QStringList{Path("nothing"), Path("out")},
          QStringList{"-j", "65", Path("src"), Path("out")},
          QStringList{"--memory-limit", "0", Path("src"), Path("out")},
          QStringList{"--memory-limit=lots", Path("src"), Path("out")},
          QStringList{Path("src"), Path("out"), Path("more")}}) {
        const Result result = Shrink(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.startsWith("zimbrel-shrink: ")) << result.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(Path("out")));

    const Result help = Shrink({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: zimbrel-shrink [options] SOURCE TARGET"));
}

TEST_F(ShrinkCommandTest, ADamagedPictureFailsAloneWithItsReason)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 640, 480));
    ASSERT_TRUE(WriteJpeg(Path("src/sub/c.jpg"), 300, 400));
    QFile damaged(Path("src/b.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("this is no picture");
    damaged.close();

    const Result result = Shrink({"-r", "-s", "50%", "--jobs", "2", "-q", "70", Path("src"), Path("out")});
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_EQ(JpegSize(Path("out/a.jpg")), QSize(320, 240));
    EXPECT_EQ(JpegSize(Path("out/c.jpg")), QSize(150, 200));
    EXPECT_FALSE(QFileInfo::exists(Path("out/b.jpg")));
    // One line for the damaged file, naming it and saying why; no window texts.
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << result.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("zimbrel-shrink: " + Path("src/b.jpg") + ": ")) << lines[0].toStdString();
    EXPECT_GT(lines[0].size(), QString("zimbrel-shrink: " + Path("src/b.jpg") + ": ").size() + 5);
    EXPECT_EQ(lines[1].left(lines[1].indexOf(" source")).toStdString(),
              "zimbrel-shrink: 3 pictures found, 2 written, 1 failed, 0.4"); // 640 x 480 + 300 x 400
}

TEST_F(ShrinkCommandTest, ADamagedColourProfileCostsOnlyItselfWithAWarning)
{
    // Chunk 1 of 2 of a profile, and no chunk 2; the picture itself is whole.
    const QByteArray chunk = QByteArray("ICC_PROFILE\0\x01\x02", 14) + "half a profile";
    ASSERT_TRUE(testfiles::WriteFile(
        Path("src/a.jpg"),
        testfiles::WithSegments(testfiles::EncodeJpeg(testfiles::Quadrants(64, 48)), testfiles::Segment(0xE2, chunk))));

    const Result result = Shrink({"-s", "32", Path("src"), Path("out")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(JpegSize(Path("out/a.jpg")), QSize(32, 24));
    for (const auto& [marker, payload] : testfiles::Segments(testfiles::ReadFile(Path("out/a.jpg"))))
        EXPECT_NE(marker, 0xE2);
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << result.err.toStdString();
    EXPECT_EQ(lines[0],
              "zimbrel-shrink: " + Path("src/a.jpg")
                  + ": warning: colour profile left out: damaged ICC marker (chunk 2 of 2 is missing)");
    EXPECT_TRUE(lines[1].startsWith("zimbrel-shrink: 1 picture found, 1 written, 0 failed")) << lines[1].toStdString();

    const Result quiet = Shrink({"--quiet", Path("src"), Path("quiet")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, QString());
}

TEST_F(ShrinkCommandTest, RefusedJobsExitWithTwoAndWriteNothing)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    Result inside = Shrink({Path("src"), Path("src/klein")});
    EXPECT_EQ(inside.exitCode, 2);
    EXPECT_EQ(inside.err, "zimbrel-shrink: Ziel-Verzeichnis darf nicht unterhalb des Quell-Verzeichnisses liegen!\n");
    EXPECT_FALSE(QFileInfo::exists(Path("src/klein")));

    // An existing single-file target is replaced only with --overwrite.
    ASSERT_TRUE(WriteJpeg(Path("klein.jpg"), 10, 10));
    EXPECT_EQ(Shrink({"--quiet", Path("src/a.jpg"), Path("klein.jpg")}).exitCode, 2);
    EXPECT_EQ(JpegSize(Path("klein.jpg")), QSize(10, 10));
    const Result replaced = Shrink({"--quiet", "--overwrite", "-s", "32", Path("src/a.jpg"), Path("klein.jpg")});
    EXPECT_EQ(replaced.exitCode, 0);
    EXPECT_TRUE(replaced.err.isEmpty());
    EXPECT_EQ(JpegSize(Path("klein.jpg")), QSize(32, 24));
}

TEST_F(ShrinkCommandTest, CtrlCFinishesThePicturesInWorkAndExitsWith130)
{
    ASSERT_TRUE(WriteJpeg(Path("src/00.jpg"), 2000, 1500));
    constexpr int kCount = 40;
    for (int i = 1; i < kCount; ++i)
        ASSERT_TRUE(
            QFile::copy(Path("src/00.jpg"), Path(QStringLiteral("src/%1.jpg").arg(i, 2, 10, QLatin1Char('0')))));

    QProcess process;
    process.start(QStringLiteral(ZIMBREL_SHRINK), {"--jobs", "1", Path("src"), Path("out")});
    ASSERT_TRUE(process.waitForStarted());
    // Interrupted once the first copy is there, as a user would press Ctrl-C mid-run.
    while (!QFileInfo::exists(Path("out/00.jpg")) && process.state() == QProcess::Running)
        QThread::msleep(2);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 130);

    const QStringList written = QDir(Path("out")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_GE(written.size(), 1);
    EXPECT_LT(written.size(), kCount);
    for (const QString& name : written)
        EXPECT_EQ(JpegSize(Path("out/") + name), QSize(640, 480)) << name.toStdString(); // complete pictures only
}

TEST_F(ShrinkCommandTest, SizeTextsAreCheckedBeforeAnyPictureIsRead)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    for (const char* size :
         {"abc", "0x20", "99999999999", "12abc", "-5", "0%", "0", "012", "12.5%", " 40", "40 %", "+40", ""}) {
        const Result result = Shrink({"-s", size, Path("src"), Path("out")});
        EXPECT_EQ(result.exitCode, 2) << size;
        EXPECT_TRUE(result.err.startsWith("zimbrel-shrink: size must be a positive whole number"))
            << result.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(Path("out")));
    EXPECT_EQ(Shrink({"--quiet", "--size=50%", Path("src"), Path("out")}).exitCode, 0);
    EXPECT_EQ(JpegSize(Path("out/a.jpg")), QSize(32, 24));
}

TEST_F(ShrinkCommandTest, EveryFailureIsOneLineWhateverItsNameHolds)
{
    ASSERT_TRUE(QDir().mkpath(Path("src")));
    for (const char* name : {"src/a\nb.jpg", "src/\033[2Jred.jpg"}) {
        QFile damaged(Path(name));
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("this is no picture");
    }
    const Result result = Shrink({Path("src"), Path("out")});
    EXPECT_EQ(result.exitCode, 1);
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << result.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("zimbrel-shrink: " + Path("src/\\033[2Jred.jpg: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("zimbrel-shrink: " + Path("src/a\\nb.jpg: "))) << lines[1].toStdString();
    EXPECT_FALSE(result.err.contains(u'\033'));
}

TEST_F(ShrinkCommandTest, ATargetThatCannotBeMadeIsNamedBeforeAnyWork)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    QFile file(Path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const Result result = Shrink({Path("src"), Path("file/sub")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err,
              "zimbrel-shrink: Das Ziel-Verzeichnis " + Path("file/sub")
                  + " kann nicht angelegt oder beschrieben werden: Not a directory\n");

    // A folder the user may not write into (root may write anywhere).
    ASSERT_TRUE(QDir().mkpath(Path("ro")));
    ASSERT_TRUE(QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::ExeOwner));
    if (::access(QFile::encodeName(Path("ro")).constData(), W_OK) != 0) {
        const Result readOnly = Shrink({Path("src"), Path("ro/sub")});
        EXPECT_EQ(readOnly.exitCode, 2);
        EXPECT_TRUE(readOnly.err.contains(Path("ro/sub") + " kann nicht angelegt")) << readOnly.err.toStdString();
    }
    QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ShrinkCommandTest, CopiesThatALaterPictureReplacedAreCountedApart)
{
    // A source folder whose name ends in a blank, and a name that starts with one.
    ASSERT_TRUE(WriteJpeg(Path("src /a/x.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("src /b/x.jpg"), 48, 64));
    ASSERT_TRUE(WriteJpeg(Path("src /b/ x.jpg"), 32, 32));
    const Result result = Shrink({"-r", "-s", "50%", Path("src "), Path("out")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files), (QStringList{" x.jpg", "x.jpg"}));
    EXPECT_EQ(JpegSize(Path("out/x.jpg")), QSize(24, 32));
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << result.err.toStdString();
    EXPECT_EQ(lines[0],
              "zimbrel-shrink: " + Path("src /a/x.jpg") + ": replaced by the later picture of the same name "
                  + Path("src /b/x.jpg"));
    EXPECT_TRUE(lines[1].startsWith(
        "zimbrel-shrink: 3 pictures found, 2 written, 1 replaced by a later picture of the same name, 0 failed"))
        << lines[1].toStdString();

    EXPECT_TRUE(Shrink({"--quiet", "-r", Path("src "), Path("out")}).err.isEmpty());
}

TEST_F(ShrinkCommandTest, AMemoryLimitKeepsLargePicturesApartAndChangesNoByte)
{
    // The most memory a run of zimbrel-shrink with arguments held.
    const auto peak = [this](const QStringList& arguments) {
        const Result result = clitest::Run(QStringLiteral(PEAK_MEMORY),
                                           QStringList{QStringLiteral(ZIMBREL_SHRINK)} + arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        return result.err.split(u'\n', Qt::SkipEmptyParts).value(0).toLongLong();
    };
    // What the program holds without pictures: a run over one tiny picture.
    ASSERT_TRUE(WriteJpeg(Path("tiny/a.jpg"), 16, 16));
    const std::int64_t program = peak({"--quiet", Path("tiny"), Path("tiny-out")});
    ASSERT_GT(program, 0);

    // Two pictures of about 30 MB each while shrunk: a limit of 45 MB lets only one be in work.
    for (const char* name : {"a.jpg", "b.jpg"})
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/") + name), 3200, 3000));
    const std::int64_t limited = peak({"--quiet", "-j", "2", "--memory-limit", "45M", Path("src"), Path("two")});
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own bookkeeping and quarantine would count
    EXPECT_LT(limited - program, std::int64_t{45} << 20);
#else
    (void)limited;
#endif

    ASSERT_EQ(Shrink({"--quiet", "-j", "1", Path("src"), Path("one")}).exitCode, 0);
    for (const char* name : {"a.jpg", "b.jpg"}) {
        const QByteArray one = testfiles::ReadFile(Path(QStringLiteral("one/") + name));
        EXPECT_FALSE(one.isEmpty());
        EXPECT_EQ(testfiles::ReadFile(Path(QStringLiteral("two/") + name)), one) << name;
    }
}

} // namespace

TEST_F(ShrinkCommandTest, PhoneAndWebPicturesBecomeJpegCopies)
{
    const QMap<QString, QSize> expected = testfiles::WriteMixedFolder(Path("src"));
    ASSERT_FALSE(expected.isEmpty());
    const Result result = Shrink({"-s", "32", Path("src"), Path("out")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    // p.heic's copy is replaced by p.jpg's: how the summary counts that is the summary's.
    EXPECT_TRUE(result.err.contains("7 pictures found, ") && result.err.contains(" 0 failed"))
        << result.err.toStdString();
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files, QDir::Name), QStringList(expected.keys()));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        EXPECT_EQ(JpegSize(Path("out/" + it.key())), it.value()) << it.key().toStdString();
        EXPECT_EQ(testfiles::ReadFile(Path("out/" + it.key())).left(2), QByteArray("\xFF\xD8"))
            << it.key().toStdString();
    }

    // One photo into its own folder: name_klein.jpg beside it, never a name of the folder.
    EXPECT_EQ(Shrink({"--quiet", "-s", "32", Path("src/IMG_0412.HEIC"), Path("src")}).exitCode, 0);
    EXPECT_EQ(JpegSize(Path("src/IMG_0412_klein.jpg")), QSize(24, 32));
    EXPECT_FALSE(QFileInfo::exists(Path("src/IMG_0412.jpg")));
}
