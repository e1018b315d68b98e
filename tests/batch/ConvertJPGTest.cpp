#include "batch/ConvertJPG.h"
#include "common/JpegTestFiles.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <turbojpeg.h>

using platform::MessageBoxCall;
using platform::MsgButtons;
using platform::MsgIcon;
using testfiles::ReadFile;
using testfiles::WriteJpeg;

namespace {

// A picture with detail in it: gradients both ways and a diagonal edge.
QImage Photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, x > y ? 200 : 40));
    return image;
}

QSize SizeOf(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.size();
}

const MessageBoxCall kSaveFailed{QStringLiteral("Failed to save to JPG"), platform::ProgramTitle(),
                                 MsgIcon::Exclamation, MsgButtons::OK};

} // namespace

TEST(ConvertJPG, ReadsTheSizeTextLikeTheForm)
{
    const struct {
        const char* text;
        std::int32_t N;
        bool percent;
    } cases[] = {
        {"640", 640, false},       {"40%", 40, true},    {"12.5%", 12, true},  {"13.5%", 14, true},
        {"800px", 800, false},     {"6 40", 640, false}, {"abc", 0, false},    {"", 0, false},
        {"40 %", 40, true},        {"%40", 0, false},    {"1e3", 1000, false}, {"&H280", 640, false},
        {"99999999999", 0, false}, // beyond 32 bits: N stays 0
    };
    for (const auto& c : cases) {
        const batch::SizeText size = batch::ReadSizeText(QString::fromUtf8(c.text));
        EXPECT_EQ(size.N, c.N) << c.text;
        EXPECT_EQ(size.percent, c.percent) << c.text;
    }
}

TEST(ConvertJPG, WritesTheSizeEachSizeTextAsksFor)
{
    QTemporaryDir dir;
    platform::MessageBoxRecorder boxes;
    const struct {
        int width, height;
        const char* size;
        int newWidth, newHeight;
    } cases[] = {
        {3000, 2000, "640", 640, 427},    {2000, 3000, "640", 427, 640},   {1001, 2000, "1000", 500, 1000},
        {1000, 1000, "640", 640, 640},    {800, 600, "1024", 800, 600},    {800, 600, "", 640, 480},
        {3000, 2000, "40%", 1200, 800},   {3000, 2000, "12.5%", 360, 240}, {5, 3, "50%", 2, 2},
        {1000, 1000, "1000", 1000, 1000}, // the longer edge equals N: written at its own size
        {800, 600, "800", 800, 600},      {200, 100, "100%", 200, 100},    {200, 100, "150%", 300, 150},
        {800, 600, "abc", 640, 480},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString source = dir.filePath(QStringLiteral("source%1.jpg").arg(n));
        const QString target = dir.filePath(QStringLiteral("target%1.jpg").arg(n++));
        ASSERT_TRUE(WriteJpeg(source, Photo(c.width, c.height)));
        batch::ConvertJPG(source, target, 80, QString::fromUtf8(c.size));
        EXPECT_EQ(SizeOf(target), QSize(c.newWidth, c.newHeight))
            << c.width << "x" << c.height << " '" << c.size << "'";
    }
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST(ConvertJPG, WritesUprightAtTheQualityAsked)
{
    QTemporaryDir dir;
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 400; ++x) {
            image.setPixel(x, y, qRgb(255, 0, 0));
            image.setPixel(x, 299 - y, qRgb(0, 0, 255));
        }
    }
    const QString source = dir.filePath("bands.jpg");
    ASSERT_TRUE(WriteJpeg(source, image));

    const QString target = dir.filePath("small.jpg");
    batch::ConvertJPG(source, target, 30, QStringLiteral("200"));
    const QImage small(target);
    ASSERT_EQ(small.size(), QSize(200, 150));
    const QRgb top = small.pixel(100, 2);
    const QRgb bottom = small.pixel(100, 147);
    EXPECT_GT(qRed(top), 200);
    EXPECT_LT(qBlue(top), 60);
    EXPECT_GT(qBlue(bottom), 200);
    EXPECT_LT(qRed(bottom), 60);

    // The first luminance quantiser of libjpeg's table at quality 30: 16 * (5000 / 30) / 100.
    const QByteArray bytes = ReadFile(target);
    const qsizetype dqt = bytes.indexOf("\xFF\xDB");
    ASSERT_GE(dqt, 0);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(dqt + 4)), 0x00); // 8-bit table 0
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(dqt + 5)), (16 * (5000 / 30) + 50) / 100);
}

TEST(ConvertJPG, BadInputWritesNothingAndOnlyTheWriterSpeaks)
{
    QTemporaryDir dir;
    QByteArray good;
    {
        const QString path = dir.filePath("good.jpg");
        ASSERT_TRUE(WriteJpeg(path, Photo(64, 48)));
        good = ReadFile(path);
        QFile::remove(path);
    }
    QByteArray png;
    {
        const QString path = dir.filePath("real.png");
        ASSERT_TRUE(Photo(16, 16).save(path, "PNG"));
        png = ReadFile(path);
        QFile::remove(path);
    }
    const QByteArray huge = testfiles::WithFrameSize(good, 65535, 65535);
    ASSERT_FALSE(huge.isEmpty());
    QByteArray random(5000, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 7919) % 251);

    const struct {
        const char* name;
        QByteArray bytes;
    } sources[] = {
        {"zero.jpg", QByteArray()}, {"truncated.jpg", good.left(good.size() / 2)},
        {"random.jpg", random},     {"png.jpg", png},
        {"65535x65535.jpg", huge},
    };
    for (const auto& s : sources) {
        const QString source = dir.filePath(QString::fromLatin1(s.name));
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(s.bytes);
        file.close();

        // Pixel mode hands the empty bitmap to the writer, which refuses it aloud.
        platform::MessageBoxRecorder boxes;
        const QString target = dir.filePath(QStringLiteral("out-%1").arg(s.name));
        batch::ConvertJPG(source, target, 80, QStringLiteral("640"));
        EXPECT_FALSE(QFile::exists(target)) << s.name;
        EXPECT_EQ(boxes.Calls(), std::vector<MessageBoxCall>{kSaveFailed}) << s.name;

        // Percent mode gets no bitmap at all from Resample: silence.
        boxes.Clear();
        batch::ConvertJPG(source, target, 80, QStringLiteral("50%"));
        EXPECT_FALSE(QFile::exists(target)) << s.name;
        EXPECT_TRUE(boxes.Calls().empty()) << s.name;
    }

    platform::MessageBoxRecorder boxes;
    const QString photo = dir.filePath("photo.jpg");
    ASSERT_TRUE(WriteJpeg(photo, Photo(100, 50)));
    for (const char* size : {"0%", "-50%"})
        batch::ConvertJPG(photo, dir.filePath("none.jpg"), 80, QString::fromLatin1(size));
    batch::ConvertJPG(dir.filePath("missing.jpg"), dir.filePath("none.jpg"), 80, QStringLiteral("40%"));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.jpg")));
    EXPECT_TRUE(boxes.Calls().empty());

    // A write that fails leaves an existing target as it was.
    const QString existing = dir.filePath("existing.jpg");
    QFile keep(existing);
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("the old picture");
    keep.close();
    batch::ConvertJPG(dir.filePath("missing.jpg"), existing, 80, QStringLiteral("640"));
    EXPECT_EQ(ReadFile(existing), "the old picture");
    EXPECT_EQ(boxes.Calls(), std::vector<MessageBoxCall>{kSaveFailed});

    // No temporary files are left behind anywhere.
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.startsWith(QLatin1String("out-")) || name.contains(QLatin1String("none")))
            << name.toStdString();
}

// The shrink hands what the loader kept to the writer: the copy has the photo's profile,
// its capture date and its modification time; nothing else of the camera's EXIF.
TEST(ConvertJPG, CopiesKeepTheProfileTheCaptureDateAndTheFileTime)
{
    QTemporaryDir dir;
    const QByteArray profile(3000, 'p');
    const QByteArray photo = testfiles::WithSegments(testfiles::EncodeJpeg(testfiles::Quadrants(400, 300)),
                                                     testfiles::CameraExifSegment(1, "2026:07:14 18:03:21", "")
                                                         + testfiles::IccSegments(profile, 1000));
    const QString source = dir.filePath("urlaub.jpg");
    ASSERT_TRUE(testfiles::WriteFile(source, photo));
    const QDateTime taken(QDate(2026, 7, 14), QTime(18, 3, 21));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(taken, QFileDevice::FileModificationTime));
    }

    const QString target = dir.filePath("klein.jpg");
    const batch::ConvertReport report = batch::ConvertPicture(source, target, 80, QStringLiteral("200"));
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.sourcePixels, 400 * 300);
    const QByteArray copy = ReadFile(target);
    QByteArray keptProfile;
    QByteArray exif;
    for (const auto& [marker, payload] : testfiles::Segments(copy)) {
        if (marker == 0xE2)
            keptProfile += payload.mid(14);
        if (marker == 0xE1)
            exif = payload;
    }
    EXPECT_EQ(keptProfile, profile);
    EXPECT_TRUE(exif.contains("2026:07:14 18:03:21"));
    // No location: neither byte order of the GPS pointer tag (0x8825) appears.
    EXPECT_FALSE(exif.contains(QByteArray("\x25\x88", 2)) || exif.contains(QByteArray("\x88\x25", 2)));
    EXPECT_EQ(QFileInfo(target).lastModified(), taken);
}

// The kinds of photo users' folders hold (progressive with its 10 scans, 4:2:0, 4:2:2,
// 4:4:4) in every orientation shrink to exactly the bytes of their upright pixels stored
// without loss: however the decoder or the resampler deals with the turn, the copy is the
// same, reduced, enlarged or kept at its own size.
TEST(ConvertJPG, EveryKindOfPhotoInEveryOrientationGivesTheBytesOfItsUprightPixels)
{
    QTemporaryDir dir;
    const QImage content = Photo(301, 187);
    const struct {
        const char* what;
        int subsampling;
        int flags;
    } kinds[] = {
        {"progressive 4:2:0", TJSAMP_420, TJFLAG_PROGRESSIVE},
        {"4:2:2", TJSAMP_422, 0},
        {"progressive 4:4:4", TJSAMP_444, TJFLAG_PROGRESSIVE},
    };
    for (const auto& kind : kinds) {
        const QByteArray stored = testfiles::EncodeJpeg(content, 90, kind.subsampling, kind.flags);
        const QImage plain = testfiles::DecodeJpeg(stored);
        ASSERT_FALSE(plain.isNull()) << kind.what;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(kind.what) + ", orientation " + std::to_string(orientation));
            const QString turned = dir.filePath("turned.jpg");
            const QString lossless = dir.filePath("upright.png");
            ASSERT_TRUE(testfiles::WriteFile(turned, testfiles::WithExifOrientation(stored, orientation)));
            ASSERT_TRUE(testfiles::AsViewed(plain, orientation).save(lossless, "PNG"));
            for (const char* size : {"100", "37%", "400", "100%", "150%"}) {
                ASSERT_TRUE(batch::ConvertPicture(turned, dir.filePath("a.jpg"), 80, size).written);
                ASSERT_TRUE(batch::ConvertPicture(lossless, dir.filePath("b.jpg"), 80, size).written);
                EXPECT_EQ(ReadFile(dir.filePath("a.jpg")), ReadFile(dir.filePath("b.jpg"))) << size;
            }
        }
    }
}

TEST(ConvertJPG, AFloodOfMarkersIsShrunkLikeThePlainPicture)
{
    // 200,000 empty APP1 and 100,000 empty APP2 markers ahead of the camera's EXIF block,
    // which must still count (the copy comes out upright). Read marker by marker into a
    // list, they took minutes.
    QTemporaryDir dir;
    const QByteArray stored = testfiles::EncodeJpeg(Photo(120, 80));
    const QByteArray exif = testfiles::CameraExifSegment(6, "2026:07:14 18:03:21", "");
    QByteArray flood;
    flood.reserve(4 * 300000);
    for (int i = 0; i < 300000; ++i)
        flood.append(i % 3 == 2 ? "\xFF\xE2\x00\x02" : "\xFF\xE1\x00\x02", 4);
    ASSERT_TRUE(testfiles::WriteFile(dir.filePath("plain.jpg"), testfiles::WithSegments(stored, exif)));
    ASSERT_TRUE(testfiles::WriteFile(dir.filePath("flood.jpg"), testfiles::WithSegments(stored, flood + exif)));

    for (const char* name : {"plain", "flood"}) {
        const batch::ConvertReport report = batch::ConvertPicture(
            dir.filePath(name + QStringLiteral(".jpg")), dir.filePath(name + QStringLiteral("-60.jpg")), 80, "60");
        EXPECT_TRUE(report.written) << name << ": " << report.failure.toStdString();
    }
    EXPECT_EQ(SizeOf(dir.filePath("flood-60.jpg")), QSize(40, 60));
    EXPECT_EQ(ReadFile(dir.filePath("flood-60.jpg")), ReadFile(dir.filePath("plain-60.jpg")));
}
