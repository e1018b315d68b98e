// --mirror, --update, --max-size, --format, --filter and --dry-run as a script meets
// them: the real program on real folders.

#include "ProgramRun.h"

#include "cli/OutputArguments.h"
#include "common/BatchTestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <webp/decode.h>

#include <random>

#include <fcntl.h>
#include <sys/stat.h>

using apptest::JpegSize;
using apptest::WriteJpeg;

namespace {

using clitest::Result;

class OutputOptionsTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }

    static Result Shrink(const QStringList& arguments) { return clitest::Shrink(arguments); }

    // Every file below folder, relative to it, sorted.
    QStringList FilesBelow(const QString& folder) const
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(folder.size() + 1);
        files.sort();
        return files;
    }

    QTemporaryDir root_;
};

timespec ModificationTime(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mtim;
}

void SetModificationTime(const QString& path, timespec time)
{
    const timespec times[2] = {time, time};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// A picture of pure noise: no encoder squeezes it much.
bool WriteNoise(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random() | 0xFF000000u);
    return testfiles::WriteJpeg(path, image, 95);
}

// The chunks of a RIFF WebP file by four-character code.
QMap<QByteArray, QByteArray> WebPChunks(const QByteArray& file)
{
    QMap<QByteArray, QByteArray> chunks;
    if (!file.startsWith("RIFF") || file.mid(8, 4) != "WEBP")
        return chunks;
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const auto size = qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(file.constData() + at + 4));
        chunks.insert(file.mid(at, 4), file.mid(at + 8, size));
        at += 8 + size + (size & 1);
    }
    return chunks;
}

TEST(OutputArgumentsTest, ByteCounts)
{
    struct Case {
        const char* text;
        std::int64_t bytes; // 0: refused
    };
    for (const Case& c : {Case{"300000", 300000}, Case{"500K", 512000}, Case{"500k", 512000}, Case{"2M", 2097152},
                          Case{"0", 0}, Case{"", 0}, Case{"K", 0}, Case{"-5", 0}, Case{"1.5M", 0}, Case{"12KB", 0},
                          Case{"2048M", 0}, Case{"99999999999", 0}}) {
        const std::optional<std::int64_t> bytes = cli::ReadByteCount(QString::fromLatin1(c.text));
        EXPECT_EQ(bytes.value_or(0), c.bytes) << c.text;
    }
}

TEST_F(OutputOptionsTest, MirrorKeepsSameNamedPicturesInTheirFolders)
{
    ASSERT_TRUE(WriteJpeg(Path("src/2024/Mai/a.jpg"), 800, 600));
    ASSERT_TRUE(WriteJpeg(Path("src/2024/Juni/a.jpg"), 600, 800));
    ASSERT_TRUE(WriteJpeg(Path("src/b.jpg"), 100, 50));
    const Result result = Shrink({"--quiet", "--mirror", "-s", "400", Path("src"), Path("out")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(FilesBelow(Path("out")), QStringList({"2024/Juni/a.jpg", "2024/Mai/a.jpg", "b.jpg"}));
    EXPECT_EQ(JpegSize(Path("out/2024/Mai/a.jpg")), QSize(400, 300));
    EXPECT_EQ(JpegSize(Path("out/2024/Juni/a.jpg")), QSize(300, 400));
}

TEST_F(OutputOptionsTest, UpdateSkipsCurrentCopiesWithoutReadingAndRedoesTouchedOnes)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 640, 480));
    ASSERT_TRUE(WriteJpeg(Path("src/b.jpg"), 320, 240));
    EXPECT_EQ(Shrink({"--update", "-s", "100", Path("src"), Path("out")}).exitCode, 0);
    ASSERT_EQ(JpegSize(Path("out/a.jpg")), QSize(100, 75));

    // a.jpg's bytes are no picture any more, but its time is unchanged: a run that read
    // it would fail. b.jpg is touched: its copy is redone.
    const timespec aTime = ModificationTime(Path("src/a.jpg"));
    ASSERT_TRUE(testfiles::WriteFile(Path("src/a.jpg"), "no picture"));
    SetModificationTime(Path("src/a.jpg"), aTime);
    ASSERT_TRUE(WriteJpeg(Path("src/b.jpg"), 200, 100));
    SetModificationTime(Path("src/b.jpg"), {aTime.tv_sec + 60, 0});

    const Result again = Shrink({"--update", "-s", "100", Path("src"), Path("out")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.err.startsWith("zimbrel-shrink: 2 pictures found, 1 written, 1 skipped, 0 failed"))
        << again.err.toStdString();
    EXPECT_EQ(JpegSize(Path("out/a.jpg")), QSize(100, 75));
    EXPECT_EQ(JpegSize(Path("out/b.jpg")), QSize(100, 50));
    EXPECT_EQ(ModificationTime(Path("out/b.jpg")).tv_sec, aTime.tv_sec + 60);
}

TEST_F(OutputOptionsTest, MaxSizeHoldsForEveryCopyAndShrinksWhereQualityIsNotEnough)
{
    ASSERT_TRUE(WriteJpeg(Path("src/smooth.jpg"), 1200, 900));
    ASSERT_TRUE(WriteNoise(Path("src/noise.jpg"), 1200, 900));
    constexpr qint64 kBudget = 40 * 1024;
    for (const char* format : {"jpeg", "webp"}) {
        const QString out = Path(QStringLiteral("out-%1").arg(format));
        const Result result = Shrink({"--max-size", "40K", "--format", format, "-s", "1200", Path("src"), out});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QStringList files = FilesBelow(out);
        ASSERT_EQ(files.size(), 2) << format;
        for (const QString& name : files)
            EXPECT_LE(QFileInfo(out + u'/' + name).size(), kBudget) << format << ' ' << name.toStdString();
        // Only the noise needed a smaller size, and says so.
        const QString suffix = QString::fromLatin1(format) == "webp" ? ".webp" : ".jpg";
        EXPECT_TRUE(result.err.contains(Path("src/noise.jpg") + ": made smaller, ")) << result.err.toStdString();
        EXPECT_FALSE(result.err.contains("smooth.jpg")) << result.err.toStdString();
        int width = 0, height = 0;
        const QByteArray noise = testfiles::ReadFile(out + "/noise" + suffix);
        const QByteArray smooth = testfiles::ReadFile(out + "/smooth" + suffix);
        if (suffix == ".jpg") {
            const QSize size = JpegSize(out + "/noise.jpg");
            width = size.width();
            height = size.height();
            EXPECT_EQ(JpegSize(out + "/smooth.jpg"), QSize(1200, 900));
        } else {
            ASSERT_TRUE(WebPGetInfo(reinterpret_cast<const uint8_t*>(noise.constData()),
                                    static_cast<size_t>(noise.size()), &width, &height));
        }
        EXPECT_LT(width, 1200);
        EXPECT_NEAR(double(width) / height, 4.0 / 3.0, 0.02);
    }
}

TEST_F(OutputOptionsTest, WebPCopiesCarryProfileAndCaptureDate)
{
    const QByteArray profile(3000, 'p');
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(testfiles::WriteFile(Path("src/a.jpg"),
                                     testfiles::WithSegments(testfiles::EncodeJpeg(image),
                                                             testfiles::CameraExifSegment(1, "2026:07:14 18:03:21", "")
                                                                 + testfiles::IccSegments(profile, 1000))));
    const Result result = Shrink({"--format", "webp", "-q", "75", Path("src"), Path("out")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(FilesBelow(Path("out")), QStringList{"a.webp"});

    const QByteArray file = testfiles::ReadFile(Path("out/a.webp"));
    int width = 0, height = 0;
    uint8_t* rgb = WebPDecodeRGB(reinterpret_cast<const uint8_t*>(file.constData()), static_cast<size_t>(file.size()),
                                 &width, &height);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(QSize(width, height), QSize(640, 480));
    EXPECT_NEAR(rgb[0], 200, 6);
    EXPECT_NEAR(rgb[1], 100, 6);
    EXPECT_NEAR(rgb[2], 50, 6);
    WebPFree(rgb);
    const QMap<QByteArray, QByteArray> chunks = WebPChunks(file);
    EXPECT_EQ(chunks.value("ICCP"), profile);
    const QByteArray exif = chunks.value("EXIF");
    EXPECT_TRUE(exif.startsWith("MM\0*") || exif.startsWith("II*\0")) << exif.left(8).toHex().toStdString();
    EXPECT_TRUE(exif.contains("2026:07:14 18:03:21"));
    EXPECT_EQ(ModificationTime(Path("out/a.webp")).tv_sec, ModificationTime(Path("src/a.jpg")).tv_sec);
}

TEST_F(OutputOptionsTest, DryRunWritesNothingAndListsWhatARealRunWrites)
{
    ASSERT_TRUE(WriteJpeg(Path("src/x/a.jpg"), 300, 200));
    ASSERT_TRUE(WriteJpeg(Path("src/y/a.JPG"), 300, 200));
    ASSERT_TRUE(WriteJpeg(Path("src/b.jpeg"), 300, 200));
    const QStringList options{"--mirror",   "--format", "webp", "--filter", "lanczos3",
                              "--max-size", "500K",     "-s",   "100"};

    const Result dry = Shrink(QStringList{"--dry-run"} + options + QStringList{Path("src"), Path("out")});
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("out")));
    QStringList listed;
    for (const QString& line : dry.out.split(u'\n', Qt::SkipEmptyParts))
        listed << line.mid(line.indexOf(" -> " + Path("out/")) + 4 + Path("out/").size());
    listed.sort();
    EXPECT_EQ(listed, QStringList({"b.webp", "x/a.webp", "y/a.webp"})) << dry.out.toStdString();

    const Result real = Shrink(options + QStringList{Path("src"), Path("out")});
    EXPECT_EQ(real.exitCode, 0) << real.err.toStdString();
    EXPECT_EQ(FilesBelow(Path("out")), listed);

    // Current copies are listed as skipped; a refused job is refused as in a real run.
    const Result update = Shrink(QStringList{"--dry-run", "--update"} + options
                                 + QStringList{Path("src"), Path("out")});
    EXPECT_EQ(update.exitCode, 0);
    EXPECT_EQ(update.out.count(": skipped: the copy is up to date\n"), 3) << update.out.toStdString();
    EXPECT_EQ(Shrink({"--dry-run", Path("src"), Path("src/klein")}).exitCode, 2);
    EXPECT_FALSE(QFileInfo::exists(Path("src/klein")));
}

// The options that leave the window's path keep sideways photos upright: the bilinear copy
// reads through the turn to the very bytes of the upright picture, the Lanczos-3 copy is
// the turned copy of the unturned photo's.
TEST_F(OutputOptionsTest, SidewaysPhotosComeOutUprightWithEveryFilter)
{
    QImage content(301, 187, QImage::Format_RGB32);
    for (int y = 0; y < content.height(); ++y)
        for (int x = 0; x < content.width(); ++x)
            content.setPixel(x, y, qRgb(x * 255 / 301, y * 255 / 187, x > y ? 200 : 40));
    const QByteArray stored = testfiles::EncodeJpeg(content, 90);
    const QImage plain = testfiles::DecodeJpeg(stored);
    ASSERT_TRUE(QDir().mkpath(Path("upright")));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString name = QStringLiteral("o%1").arg(orientation);
        ASSERT_TRUE(
            testfiles::WriteFile(Path("turned/" + name + ".jpg"), testfiles::WithExifOrientation(stored, orientation)));
        ASSERT_TRUE(testfiles::AsViewed(plain, orientation).save(Path("upright/" + name + ".png"), "PNG"));
    }
    const QStringList bilinear{"--max-size", "10M", "-s", "100", "-q", "90"};
    for (const char* from : {"turned", "upright"})
        ASSERT_EQ(Shrink(bilinear + QStringList{Path(from), Path(QStringLiteral("bilinear-%1").arg(from))}).exitCode,
                  0);
    ASSERT_EQ(Shrink({"--filter", "lanczos3", "-s", "100", "-q", "100", Path("turned"), Path("lanczos")}).exitCode, 0);

    const QImage lanczosPlain = testfiles::DecodeJpeg(testfiles::ReadFile(Path("lanczos/o1.jpg")));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        const QString name = QStringLiteral("o%1.jpg").arg(orientation);
        EXPECT_EQ(testfiles::ReadFile(Path("bilinear-turned/" + name)),
                  testfiles::ReadFile(Path("bilinear-upright/" + name)));
        // Encoded after the turn, the copy differs from the turned one only by the coding.
        const QImage lanczos = testfiles::DecodeJpeg(testfiles::ReadFile(Path("lanczos/" + name)));
        const QImage expected = testfiles::AsViewed(lanczosPlain, orientation);
        ASSERT_EQ(lanczos.size(), expected.size());
        double squares = 0;
        for (int y = 0; y < lanczos.height(); ++y)
            for (int x = 0; x < lanczos.width(); ++x) {
                const QRgb a = lanczos.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                for (const int shift : {0, 8, 16}) {
                    const int difference = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
                    squares += difference * difference;
                }
            }
        const double meanSquare = squares / (3.0 * lanczos.width() * lanczos.height());
        EXPECT_LT(meanSquare, 4.0); // a wrong turn gives thousands
    }
}

} // namespace
