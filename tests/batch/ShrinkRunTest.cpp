#include "common/BatchTestSupport.h"

#include "batch/ExactPaths.h"
#include "batch/JobSettings.h"
#include "batch/ShrinkRun.h"
#include "platform/MessageBox.h"
#include "support/StdRegistry.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using apptest::JpegSize;
using apptest::RecordingProgress;
using apptest::WriteJpeg;
using batch::RunOutcome;
using platform::MessageBoxCall;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

using apptest::kUnset;
using apptest::StoredValue;

const MessageBoxCall kIdentical{"Quell- und Ziel-Verzeichnisse sind identisch!", "Verzeichnis", MsgIcon::Exclamation,
                                MsgButtons::OK};
const MessageBoxCall kInside{"Ziel-Verzeichnis darf nicht unterhalb des Quell-Verzeichnisses liegen!", "Verzeichnis",
                             MsgIcon::Exclamation, MsgButtons::OK};
const MessageBoxCall kSameFile{"Quell- und Ziel-Datei ist identisch!", "Verzeichnis", MsgIcon::Exclamation,
                               MsgButtons::OK};
const MessageBoxCall kNoTarget{"Kein Ziel-Verzeichnis angegeben!", "Verzeichnis", MsgIcon::Exclamation, MsgButtons::OK};
const MessageBoxCall kOverwrite{QString::fromUtf8("Zieldatei existiert.\n\nÜberschreiben?"), "Verkleinern",
                                MsgIcon::Question, MsgButtons::YesNo};

class ShrinkRunTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.path() + u'/' + relative; }

    batch::RunRequest Request(const QString& source, const QString& target) const
    {
        batch::RunRequest request;
        request.sourceText = source;
        request.targetText = target;
        request.quality = 75;
        request.sizeText = QStringLiteral(" 32 ");
        return request;
    }

    // A run refused by a check: exactly one box, nothing opened, created or stored.
    void ExpectRefused(const batch::RunRequest& request, const MessageBoxCall& box)
    {
        platform::MessageBoxRecorder boxes;
        RecordingProgress progress;
        EXPECT_EQ(apptest::RunShrinkJob(request, progress), RunOutcome::Stopped) << request.targetText.toStdString();
        ASSERT_EQ(boxes.Calls().size(), 1u) << request.targetText.toStdString();
        EXPECT_EQ(boxes.Calls()[0], box) << request.targetText.toStdString();
        EXPECT_EQ(progress.opened, 0);
        EXPECT_EQ(StoredValue(batch::kQualityValue), kUnset);
        EXPECT_EQ(StoredValue(batch::kSourcePathValue), kUnset);
    }

    apptest::PrivateStore store;
    QTemporaryDir root;
};

} // namespace

TEST_F(ShrinkRunTest, FolderChecksCatchTheSourceInEverySpelling)
{
    ASSERT_TRUE(QDir().mkpath(Path("Bilder/sub")));
    ASSERT_TRUE(WriteJpeg(Path("Bilder/a.jpg"), 40, 30));
    const QString source = Path("Bilder");
    ASSERT_TRUE(QFile::link(source, Path("link-to-bilder")));

    for (const QString& same :
         {source + "/", source + "/.", Path("Bilder/sub/.."), Path("link-to-bilder"), Path("./Bilder/")})
        ExpectRefused(Request(source, same), kIdentical);
    // Letter case is ignored by the text check whatever the file system does.
    ExpectRefused(Request(source, Path("BILDER/")), kIdentical);

    for (const QString& inside : {Path("Bilder/klein"), Path("Bilder/sub"), Path("link-to-bilder/new/deeper"),
                                  Path("Bilder/sub/../klein"), Path("BILDER/x")})
        ExpectRefused(Request(source, inside), kInside);
    // The subfolder switch does not matter for the check.
    batch::RunRequest withSubfolders = Request(source, Path("Bilder/klein"));
    withSubfolders.includeSubfolders = true;
    ExpectRefused(withSubfolders, kInside);

    ExpectRefused(Request(source, ""), kNoTarget);
    ExpectRefused(Request(source, "   "), kNoTarget);
    EXPECT_FALSE(QFileInfo::exists(Path("Bilder/klein")));

    // A sibling whose name merely starts like the source is fine.
    platform::MessageBoxRecorder boxes;
    RecordingProgress progress;
    EXPECT_EQ(apptest::RunShrinkJob(Request(source, Path("Bilder2")), progress), RunOutcome::Finished);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_TRUE(QFileInfo::exists(Path("Bilder2/a.jpg")));
}

TEST_F(ShrinkRunTest, FolderRunWritesEveryJpegIntoANewTargetAndSavesTheSettings)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.JPG"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("src/b.jpeg"), 48, 64));
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(Path("src/c.gif"), "BMP")); // not a format the run takes
    ASSERT_TRUE(WriteJpeg(Path("src/deep/d.jpg"), 64, 48));

    platform::MessageBoxRecorder boxes;
    RecordingProgress progress;
    batch::RunRequest request = Request(Path("src"), Path("out/new"));
    EXPECT_EQ(apptest::RunShrinkJob(request, progress), RunOutcome::Finished);
    EXPECT_TRUE(boxes.Calls().empty());

    EXPECT_EQ(JpegSize(Path("out/new/a.JPG")), QSize(32, 24));
    EXPECT_EQ(JpegSize(Path("out/new/b.jpeg")), QSize(24, 32));
    EXPECT_FALSE(QFileInfo::exists(Path("out/new/c.gif")));
    EXPECT_FALSE(QFileInfo::exists(Path("out/new/c.jpg")));
    EXPECT_FALSE(QFileInfo::exists(Path("out/new/d.jpg"))); // subfolders off
    EXPECT_EQ(QDir(Path("out/new")).entryList(QDir::Files).size(), 2);

    EXPECT_EQ(progress.statuses, (QStringList{"Einlesen der Dateiliste.", Path("src/a.JPG"), Path("src/b.jpeg")}));
    EXPECT_EQ(progress.fractions, (std::vector<double>{0.5, 1.0}));
    EXPECT_GE(progress.eventPasses, 200); // 100 per finished file, more while waiting
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);

    // The box texts as typed, not the normalised paths; the size text untrimmed.
    EXPECT_EQ(StoredValue(batch::kSourcePathValue), Path("src"));
    EXPECT_EQ(StoredValue(batch::kDestPathValue), Path("out/new"));
    EXPECT_EQ(StoredValue(batch::kSubPathValue), "0");
    EXPECT_EQ(StoredValue(batch::kQualityValue), "75");
    EXPECT_EQ(StoredValue(batch::kSizeValue), " 32 ");
}

TEST_F(ShrinkRunTest, SubfoldersShareOneTargetFolderAndTheLaterFileWins)
{
    ASSERT_TRUE(WriteJpeg(Path("src/sub1/x.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("src/sub2/x.jpg"), 48, 64));
    RecordingProgress progress;
    batch::RunRequest request = Request(Path("src"), Path("out"));
    request.includeSubfolders = true;
    EXPECT_EQ(apptest::RunShrinkJob(request, progress), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("out/x.jpg")), QSize(24, 32)); // sub2's portrait picture
    EXPECT_EQ(StoredValue(batch::kSubPathValue), "1");
}

TEST_F(ShrinkRunTest, EventPassesAfterAFileEndAtTheFirstThatFindsNothing)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    for (const bool pending : {true, false}) {
        RecordingProgress progress;
        progress.eventsPending = pending;
        EXPECT_EQ(apptest::RunShrinkJob(Request(Path("src"), Path(pending ? "busy" : "idle")), progress),
                  RunOutcome::Finished);
        ASSERT_TRUE(QFileInfo::exists(Path(pending ? "busy/a.jpg" : "idle/a.jpg")));
        if (pending)
            EXPECT_GE(progress.passesSinceProgress, 100);
        else
            EXPECT_LE(progress.passesSinceProgress, 2); // the file's one pass, and the run's last
    }
}

TEST_F(ShrinkRunTest, CancelTakesEffectAfterTheFileInWork)
{
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 40, 40));
    RecordingProgress progress;
    progress.onStatus = [this](RecordingProgress& view, const QString& status) {
        if (status == Path("src/2.jpg"))
            view.cancel = true; // the user presses "Abbrechen" while the second file is shrunk
    };
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("src"), Path("out")), progress), RunOutcome::Finished);
    EXPECT_TRUE(QFileInfo::exists(Path("out/1.jpg")));
    EXPECT_TRUE(QFileInfo::exists(Path("out/2.jpg")));
    EXPECT_FALSE(QFileInfo::exists(Path("out/3.jpg")));
    EXPECT_EQ(progress.fractions, (std::vector<double>{0.2, 0.4}));
    EXPECT_EQ(StoredValue(batch::kSourcePathValue), Path("src"));
    EXPECT_EQ(StoredValue(batch::kQualityValue), "75");
    EXPECT_EQ(progress.closed, 1);
}

TEST_F(ShrinkRunTest, EmptySourceFolderSavesAndEndsWithoutMessage)
{
    ASSERT_TRUE(QDir().mkpath(Path("empty")));
    platform::MessageBoxRecorder boxes;
    RecordingProgress progress;
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("empty"), Path("out")), progress), RunOutcome::Finished);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_TRUE(progress.fractions.empty());
    EXPECT_TRUE(QFileInfo(Path("out")).isDir());
    EXPECT_EQ(StoredValue(batch::kDestPathValue), Path("out"));
}

TEST_F(ShrinkRunTest, SingleFileIntoFolders)
{
    ASSERT_TRUE(WriteJpeg(Path("Fotos/a.jpg"), 64, 48));
    RecordingProgress progress;

    // Into its own folder: the "_klein" name keeps the source safe.
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("Fotos/a.jpg"), Path("Fotos")), progress), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("Fotos/a_klein.jpg")), QSize(32, 24));
    EXPECT_EQ(JpegSize(Path("Fotos/a.jpg")), QSize(64, 48));
    EXPECT_EQ(progress.statuses, QStringList{"a.jpg"});
    EXPECT_EQ(progress.fractions, std::vector<double>{1.0});
    EXPECT_EQ(progress.eventPasses, 0);

    // Into a new folder named with a trailing separator: created, the name kept.
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("Fotos/a.jpg"), Path("neu/")), progress), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("neu/a.jpg")), QSize(32, 24));

    // Only quality and size are saved.
    EXPECT_EQ(StoredValue(batch::kQualityValue), "75");
    EXPECT_EQ(StoredValue(batch::kSizeValue), " 32 ");
    EXPECT_EQ(StoredValue(batch::kSourcePathValue), kUnset);
    EXPECT_EQ(StoredValue(batch::kSubPathValue), kUnset);
}

TEST_F(ShrinkRunTest, SingleFileOverwriteQuestion)
{
    ASSERT_TRUE(WriteJpeg(Path("a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("out.jpg"), 10, 10));
    {
        platform::MessageBoxRecorder boxes;
        boxes.QueueAnswer(MsgAnswer::No);
        RecordingProgress progress;
        EXPECT_EQ(apptest::RunShrinkJob(Request(Path("a.jpg"), Path("out.jpg")), progress), RunOutcome::Stopped);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0], kOverwrite);
        EXPECT_EQ(progress.opened, 0);
        EXPECT_EQ(JpegSize(Path("out.jpg")), QSize(10, 10));
        EXPECT_EQ(StoredValue(batch::kQualityValue), kUnset);
    }
    platform::MessageBoxRecorder boxes;
    boxes.QueueAnswer(MsgAnswer::Yes);
    RecordingProgress progress;
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("a.jpg"), Path("out.jpg")), progress), RunOutcome::Finished);
    EXPECT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(JpegSize(Path("out.jpg")), QSize(32, 24));
}

TEST_F(ShrinkRunTest, SingleFileNeverReplacesItsSource)
{
    ASSERT_TRUE(WriteJpeg(Path("Fotos/a.jpg"), 64, 48));
    ASSERT_TRUE(QFile::link(Path("Fotos"), Path("alias")));
    for (const QString& same :
         {Path("Fotos/A.JPG"), Path("Fotos/../Fotos/a.jpg"), Path("alias/a.jpg"), Path("Fotos/./a.jpg")})
        ExpectRefused(Request(Path("Fotos/a.jpg"), same), kSameFile);
    EXPECT_EQ(JpegSize(Path("Fotos/a.jpg")), QSize(64, 48));

    // A folder target that is the source's own folder by another spelling gets "_klein".
    RecordingProgress progress;
    EXPECT_EQ(apptest::RunShrinkJob(Request(Path("Fotos/a.jpg"), Path("alias")), progress), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("Fotos/a.jpg")), QSize(64, 48));
    EXPECT_EQ(JpegSize(Path("Fotos/a_klein.jpg")), QSize(32, 24));
}

TEST_F(ShrinkRunTest, EmptySourceIsASingleFileRunThatProducesNothing)
{
    platform::MessageBoxRecorder boxes;
    RecordingProgress progress;
    const QString target = Path("nothing.jpg");
    EXPECT_EQ(apptest::RunShrinkJob(Request("", target), progress), RunOutcome::Finished);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(StoredValue(batch::kQualityValue), "75");
    EXPECT_EQ(progress.closed, 1);
}

namespace {

TEST(EarlierSameTarget, NamesThatOneTargetFileCouldHoldWaitForEachOther)
{
    // On a case-insensitive target (a FAT stick) IMG.JPG and img.jpg are one file.
    EXPECT_EQ(batch::EarlierSameTarget({"IMG.JPG", "a.jpg", "img.jpg", " a.jpg", "Img.Jpg", "a.jpg"}),
              (std::vector<qsizetype>{-1, -1, 0, -1, 2, 1}));
}

} // namespace
