#include "common/JpegTestFiles.h"

#include "imaging/JpegLibrary.h"
#include "imaging/Picture.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/sjpg.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

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
    const Picture picture = Picture::FromImage(image);
    auto dib = std::make_unique<aDIBSection>();
    dib->CreateFromPicture(picture.Handle());
    return dib;
}

// Stands in for the library while alive: records the record as ijlWrite sees it.
class LibrarySpy {
public:
    explicit LibrarySpy(std::int32_t initStatus = 0)
    {
        previous_ = mIntelJPEGLibrary::SetEntryPoints(
            {[=, this](ijl::JPEG_CORE_PROPERTIES*) {
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
    EXPECT_EQ(boxes.Calls()[0], (MessageBoxCall{QStringLiteral("Failed to initialise the IJL library: -5"),
                                                platform::ProgramTitle(), MsgIcon::Exclamation, MsgButtons::OK}));

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

    const Picture picture = Picture::FromImage(Quadrants(20, 10));
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
