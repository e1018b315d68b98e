#include "common/JpegTestFiles.h"
#include "common/PictureFromImage.h"

#include "imaging/JpegLibrary.h"
#include "imaging/Picture.h"
#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/sjpg.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testfiles;
using platform::MessageBoxCall;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

// A bitmap of the given size whose top row is red, bottom row blue, the rest grey.
std::unique_ptr<aDIBSection> RedTopBlueBottom(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < 8; ++y) {
            image.setPixel(x, y, qRgb(255, 0, 0));
            image.setPixel(x, height - 1 - y, qRgb(0, 0, 255));
        }
    }
    const Picture picture = testfiles::PictureFromImage(image);
    auto dib = std::make_unique<aDIBSection>();
    dib->CreateFromPicture(picture.Handle());
    return dib;
}

// Stands in for the library while alive: records the record as ijlWrite sees it.
class LibrarySpy {
public:
    explicit LibrarySpy(std::int32_t initStatus = 0)
    {
        previous_ = mIntelJPEGLibrary::SetEntryPoints({[=, this](ijl::JPEG_CORE_PROPERTIES*) {
                                                           ++inits;
                                                           return initStatus;
                                                       },
                                                       [this](ijl::JPEG_CORE_PROPERTIES* record, std::int32_t iotype) {
                                                           seen = *record;
                                                           fileName = record->JPGFile;
                                                           this->iotype = iotype;
                                                           return 0;
                                                       },
                                                       [this](ijl::JPEG_CORE_PROPERTIES*) {
                                                           ++frees;
                                                           return 0;
                                                       }});
    }
    ~LibrarySpy() { mIntelJPEGLibrary::SetEntryPoints(previous_); }

    ijl::JPEG_CORE_PROPERTIES seen{};
    std::string fileName = "(not written)";
    std::int32_t iotype = 0;
    int inits = 0;
    int frees = 0;

private:
    mIntelJPEGLibrary::EntryPoints previous_;
};

const MessageBoxCall kSaveFailed{QStringLiteral("Failed to save to JPG"), platform::ProgramTitle(),
                                 MsgIcon::Exclamation, MsgButtons::OK};

} // namespace

TEST(WriteJPEGFile, FillsTheRecordFromTheBitmap)
{
    LibrarySpy spy;
    const struct {
        int width;
        int pad;
    } widths[] = {{3, 3}, {4, 0}, {5, 1}};
    for (const auto& w : widths) {
        aDIBSection dib;
        ASSERT_TRUE(dib.Create(w.width, 2));
        EXPECT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, QStringLiteral("x.jpg"), 80));
        EXPECT_EQ(spy.seen.DIBPadBytes, w.pad) << w.width;
    }

    aDIBSection dib;
    ASSERT_TRUE(dib.Create(640, 480));
    EXPECT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, QStringLiteral("/tmp/ä.jpg"), 80));
    EXPECT_EQ(spy.seen.DIBWidth, 640);
    EXPECT_EQ(spy.seen.DIBHeight, -480);
    EXPECT_EQ(spy.seen.JPGWidth, 640);
    EXPECT_EQ(spy.seen.JPGHeight, 480);
    EXPECT_EQ(spy.seen.DIBBytes, dib.DIBSectionBitsPtr());
    EXPECT_EQ(spy.seen.jquality, 80);
    EXPECT_EQ(spy.fileName, "/tmp/\xC3\xA4.jpg");
    EXPECT_EQ(spy.iotype, ijl::IJL_JFILE_WRITEWHOLEIMAGE);
    EXPECT_EQ(spy.inits, 4);
    EXPECT_EQ(spy.frees, 4);

    // Quality goes through unchanged, even outside the window's range.
    EXPECT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, QStringLiteral("x.jpg"), 250));
    EXPECT_EQ(spy.seen.jquality, 250);
}

TEST(WriteJPEGFile, ReportsLibraryFailuresInItsOwnWords)
{
    platform::MessageBoxRecorder boxes;
    aDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    {
        LibrarySpy failingInit(-5);
        EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(&dib, QStringLiteral("x.jpg"), 80));
        EXPECT_EQ(failingInit.frees, 0);
        EXPECT_EQ(failingInit.fileName, "(not written)");
    }
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0],
              (MessageBoxCall{QStringLiteral("Failed to initialise the IJL library: -5"), platform::ProgramTitle(),
                              MsgIcon::Exclamation, MsgButtons::OK}));

    // No bitmap at all: an error for the caller, no box, and the library is still freed.
    boxes.Clear();
    {
        LibrarySpy spy;
        EXPECT_THROW(mIntelJPEGLibrary::WriteJPEGFile(nullptr, QStringLiteral("x.jpg"), 80), errors::ObjectRequired);
        EXPECT_EQ(spy.frees, 1);
    }
    EXPECT_TRUE(boxes.Calls().empty());

    // An empty bitmap (nothing loaded) and an empty name are refused by the real library.
    QTemporaryDir dir;
    aDIBSection empty;
    EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(&empty, dir.filePath("empty.jpg"), 80));
    EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(&dib, QString(), 80));
    EXPECT_EQ(boxes.Calls(), (std::vector<MessageBoxCall>{kSaveFailed, kSaveFailed}));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(WriteJPEGFile, WritesAnUprightBaselineJpegAtTheGivenQuality)
{
    QTemporaryDir dir;
    const auto dib = RedTopBlueBottom(33, 40);
    const QString path = dir.filePath("upright.jpg");
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), path, 90));
    const QByteArray bytes = ReadFile(path);
    const QImage image = DecodeJpeg(bytes);
    ASSERT_EQ(image.size(), QSize(33, 40));
    EXPECT_TRUE(Near(image.pixel(16, 1), Qt::red)) << std::hex << image.pixel(16, 1);
    EXPECT_TRUE(Near(image.pixel(16, 38), Qt::blue)) << std::hex << image.pixel(16, 38);
    EXPECT_TRUE(Near(image.pixel(16, 20), QColor(128, 128, 128), 8));
    // Baseline: a SOF0 frame header with three components, luma sampled 2x2 (4:2:0).
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    ASSERT_GE(sof, 0);
    EXPECT_EQ(bytes.indexOf("\xFF\xC2"), -1);
    EXPECT_EQ(bytes.at(sof + 9), 3);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(sof + 11)), 0x22);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(sof + 14)), 0x11);

    // The quantisation tables are the standard luminance and chrominance tables scaled
    // for the quality as libjpeg scales them (clamped to 1..255 for baseline).
    static constexpr int kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                           14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                           18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                           49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static constexpr int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                             24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                             99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                             99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    for (const int quality : {10, 50, 80, 95, 100}) {
        const QString file = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), file, quality));
        const auto tables = QuantisationTables(ReadFile(file));
        ASSERT_EQ(tables.size(), 2u) << quality;
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(tables[0][i], std::clamp((kLuminance[i] * scale + 50) / 100, 1, 255)) << quality << " " << i;
            EXPECT_EQ(tables[1][i], std::clamp((kChrominance[i] * scale + 50) / 100, 1, 255)) << quality << " " << i;
        }
    }
}

TEST(WriteJPEGFile, AFailedWriteLeavesTheOldFileAndNoLeftovers)
{
    platform::MessageBoxRecorder boxes;
    QTemporaryDir dir;
    const QString target = dir.filePath("keep.jpg");
    ASSERT_TRUE(WriteFile(target, "the old picture"));

    aDIBSection empty; // refused before anything is written
    EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(&empty, target, 80));
    EXPECT_EQ(ReadFile(target), "the old picture");

    // A folder that cannot take a temporary file: the rename never happens.
    const auto dib = RedTopBlueBottom(16, 16);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool enforced = !QFile(dir.filePath("probe")).open(QIODevice::WriteOnly); // root ignores permissions
    if (enforced) {
        EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), target, 80));
        EXPECT_EQ(ReadFile(target), "the old picture");
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(dir.filePath("probe"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.jpg"});
    EXPECT_EQ(boxes.Calls().size(), enforced ? 2u : 1u);

    // A successful write replaces the old file completely.
    EXPECT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), target, 80));
    EXPECT_EQ(DecodeJpeg(ReadFile(target)).size(), QSize(16, 16));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.jpg"});
}

TEST(WriteJPEGFile, SaysWhyAWriteFailed)
{
    platform::MessageBoxRecorder boxes;
    QTemporaryDir dir;
    const auto dib = RedTopBlueBottom(16, 16);
    const auto reason = [&](const aDIBSection* bitmap, const QString& path) {
        mIntelJPEGLibrary::WriteDetails details;
        details.failure = QStringLiteral("stale");
        EXPECT_FALSE(mIntelJPEGLibrary::WriteJPEGFile(bitmap, path, 80, &details));
        return details.failure.toStdString();
    };
    aDIBSection empty;
    EXPECT_EQ(reason(&empty, dir.filePath("a.jpg")), "no picture to write");
    EXPECT_EQ(reason(dib.get(), dir.filePath("missing/a.jpg")),
              "cannot create the target file: No such file or directory");
    // The target name is a folder: written in full, then the rename fails and the
    // temporary file goes.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    EXPECT_EQ(reason(dib.get(), dir.filePath("folder.jpg")),
              "cannot rename the temporary file to the target name: Is a directory");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"folder.jpg"});
    // A folder that does not let us in (root is let in anywhere).
    ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
    if (access(QFile::encodeName(dir.filePath("locked")).constData(), W_OK) != 0) {
        EXPECT_EQ(reason(dib.get(), dir.filePath("locked/a.jpg")), "cannot create the target file: Permission denied");
    }
    QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The boxes are the same as without details.
    EXPECT_EQ(boxes.Calls().front(), kSaveFailed);

    mIntelJPEGLibrary::WriteDetails details;
    details.failure = QStringLiteral("stale");
    EXPECT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), dir.filePath("a.jpg"), 80, &details));
    EXPECT_TRUE(details.failure.isEmpty());
}

TEST(WriteJPEGFile, ReplacesALinkAtTheTargetInsteadOfWritingThroughIt)
{
    QTemporaryDir dir;
    const QString original = dir.filePath("original.jpg");
    const QString link = dir.filePath("link.jpg");
    ASSERT_TRUE(WriteFile(original, "the source photo"));
    ASSERT_EQ(symlink("original.jpg", QFile::encodeName(link).constData()), 0);

    const auto dib = RedTopBlueBottom(16, 16);
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(dib.get(), link, 80));
    struct stat info {};
    ASSERT_EQ(lstat(QFile::encodeName(link).constData(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(DecodeJpeg(ReadFile(link)).size(), QSize(16, 16));
    EXPECT_EQ(ReadFile(original), "the source photo");
}

TEST(WriteJPEGFile, NamesThatAreNotUtf8KeepTheirBytesFromLoadToWrite)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QByteArray sourceBytes = folder + "caf\xE9.jpg";
    const QByteArray targetBytes = folder + "\xFF\xFE.JPG";
    const QByteArray jpeg = EncodeJpeg(Quadrants(24, 16));
    const int fd = open(sourceBytes.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, jpeg.constData(), static_cast<std::size_t>(jpeg.size())), jpeg.size());
    close(fd);

    Picture picture = imaging::LoadPicture(platform::DecodeFileName(sourceBytes));
    ASSERT_FALSE(picture.IsEmpty());
    aDIBSection dib;
    dib.CreateFromPicture(std::move(picture));
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, platform::DecodeFileName(targetBytes), 80));
    // Qt cannot list these names; the folder holds exactly the two, under their bytes.
    std::vector<std::string> names;
    if (DIR* listing = opendir(folder.constData())) {
        while (const dirent* entry = readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        closedir(listing);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"caf\xE9.jpg", "\xFF\xFE.JPG"}));
    EXPECT_EQ(imaging::LoadPicture(platform::DecodeFileName(targetBytes)).Width(), 24);
    unlink(sourceBytes.constData()); // QTemporaryDir cannot remove them either
    unlink(targetBytes.constData());
}

TEST(WriteJPEGFile, KeepsTheColourProfileAndTheDatesWithThePixelsUnchanged)
{
    QTemporaryDir dir;
    // A profile longer than one marker holds, split unevenly by the camera.
    QByteArray profile(70000, '\0');
    for (qsizetype i = 0; i < profile.size(); ++i)
        profile[i] = static_cast<char>(i * 7 % 251);
    const QByteArray stored = EncodeJpeg(Quadrants(40, 30));
    const QString source = dir.filePath("photo.jpg");
    ASSERT_TRUE(WriteFile(source,
                          WithSegments(stored,
                                       CameraExifSegment(6, "2023:07:14 18:02:33", "2023:07:14 18:02:34")
                                           + IccSegments(profile, 60000))));
    const timespec taken[2] = {{0, UTIME_OMIT}, {1689350553, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(source).constData(), taken, 0), 0);

    imaging::LoadDetails details;
    Picture picture = imaging::LoadPicture(source, &details);
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(details.metadata.iccProfile, profile);
    ASSERT_TRUE(details.metadata.modified.has_value());
    aDIBSection dib;
    dib.CreateFromPicture(std::move(picture));
    const QString kept = dir.filePath("kept.jpg");
    const QString plain = dir.filePath("plain.jpg");
    mIntelJPEGLibrary::WriteDetails write;
    write.metadata = &details.metadata;
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, kept, 80, &write));
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, plain, 80));

    // The same encoded picture, with the markers added after the JFIF header only.
    const QByteArray keptBytes = ReadFile(kept);
    EXPECT_EQ(WithoutAppSegments12(keptBytes), ReadFile(plain));
    EXPECT_EQ(DecodeJpeg(keptBytes), DecodeJpeg(ReadFile(plain)));
    const auto segments = Segments(keptBytes);
    ASSERT_GE(segments.size(), 4u);
    EXPECT_EQ(segments[0].first, 0xE0);
    EXPECT_EQ(segments[1].first, 0xE2);
    EXPECT_EQ(segments[2].first, 0xE2);
    EXPECT_EQ(segments[3].first, 0xE1);

    // Read back: the whole profile, both dates and nothing else (no orientation: the copy
    // would be turned again; no location).
    imaging::LoadDetails copy;
    Picture reloaded = imaging::LoadPicture(kept, &copy);
    EXPECT_EQ(reloaded.Width(), 30); // upright, not turned a second time
    EXPECT_EQ(copy.metadata.iccProfile, profile);
    EXPECT_EQ(copy.metadata.captureExif, details.metadata.captureExif);
    const QByteArray exif = segments[3].second;
    EXPECT_TRUE(exif.contains("2023:07:14 18:02:33"));
    EXPECT_TRUE(exif.contains("2023:07:14 18:02:34"));
    EXPECT_EQ(exif.size(), 6 + 8 + 18 + 30 + 40); // header, IFD0, EXIF IFD, two dates
    EXPECT_FALSE(exif.contains(QByteArray("\x01\x12", 2)));
    EXPECT_FALSE(exif.contains(QByteArray("\x88\x25", 2)));

    // The copy's modification time is the photo's, to the nanosecond.
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(kept).constData(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, taken[1].tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, taken[1].tv_nsec);

    // A photo without profile or capture date gets neither, only its time.
    const QString bare = dir.filePath("bare.jpg");
    ASSERT_TRUE(WriteFile(bare, WithExifOrientation(stored, 1)));
    imaging::LoadDetails bareDetails;
    Picture barePicture = imaging::LoadPicture(bare, &bareDetails);
    EXPECT_TRUE(bareDetails.metadata.iccProfile.isEmpty());
    EXPECT_TRUE(bareDetails.metadata.captureExif.isEmpty());
    aDIBSection bareDib;
    bareDib.CreateFromPicture(std::move(barePicture));
    mIntelJPEGLibrary::WriteDetails bareWrite;
    bareWrite.metadata = &bareDetails.metadata;
    ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&bareDib, kept, 80, &bareWrite));
    for (const auto& [marker, payload] : Segments(ReadFile(kept)))
        EXPECT_TRUE(marker != 0xE1 && marker != 0xE2) << marker;
}

TEST(sjpg, PropertiesReadBackEmptyAndTheSaveUsesThem)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("saved.jpg");
    ASSERT_TRUE(WriteFile(target, "old"));

    sjpg saver;
    saver.setSavefilenamej(target);
    EXPECT_FALSE(QFile::exists(target)); // deleted as soon as the name is set
    saver.setSavequal(90);
    EXPECT_EQ(saver.savefilenamej(), QString());
    EXPECT_EQ(saver.savequal(), 0);

    const Picture picture = testfiles::PictureFromImage(Quadrants(20, 10));
    {
        LibrarySpy spy;
        saver.setSavepicj(picture.Handle());
        EXPECT_EQ(spy.seen.jquality, 90);
        EXPECT_EQ(spy.seen.DIBWidth, 20);
        EXPECT_EQ(spy.seen.DIBHeight, -10);
        EXPECT_EQ(QFile::decodeName(spy.fileName.c_str()), target);
    }
    EXPECT_EQ(saver.savepicj(), 0u);
    saver.setSavepicj(picture.Handle()); // the real library this time, reusing the bitmap
    EXPECT_EQ(DecodeJpeg(ReadFile(target)).size(), QSize(20, 10));

    // Without a name the library is handed an empty one.
    sjpg unnamed;
    LibrarySpy spy;
    unnamed.setSavepicj(picture.Handle());
    EXPECT_EQ(spy.fileName, "");
    EXPECT_EQ(spy.seen.jquality, 0);

    // A pattern is a name like any other: nothing else is deleted.
    sjpg patterned;
    patterned.setSavefilenamej(dir.filePath("*.jpg"));
    EXPECT_TRUE(QFile::exists(target));
}
