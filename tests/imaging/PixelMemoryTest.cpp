// The run's memory: what a picture's header says it needs, the size texts of a limit,
// and the pools that keep blocks only as far as the budget allows.

#include "common/JpegTestFiles.h"

#include "imaging/PictureLoader.h"
#include "imaging/PixelMemory.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>
#include <turbojpeg.h>

using namespace imaging;

namespace {

constexpr std::int64_t kMiB = std::int64_t{1} << 20;

TEST(MemorySizeText, ReadsBytesAndBinaryUnitsOnly)
{
    const struct {
        const char* text;
        std::int64_t bytes; // 0: refused
    } cases[] = {
        {"4G", std::int64_t{4} << 30},
        {"800M", 800 * kMiB},
        {"1536k", 1536 * 1024},
        {"2GiB", std::int64_t{2} << 30},
        {"5MB", 5 * kMiB},
        {"123456", 123456},
        {"1t", std::int64_t{1} << 40},
        {"", 0},
        {"0", 0},
        {"0M", 0},
        {"12X", 0},
        {"-5M", 0},
        {"1.5G", 0},
        {"G", 0},
        {" 4G", 0},
        {"4G ", 0},
        {"99999999999T", 0},
        {"4GG", 0},
        {"B", 0},
    };
    for (const auto& c : cases) {
        const std::optional<std::int64_t> read = ReadMemorySize(QString::fromLatin1(c.text));
        EXPECT_EQ(read.value_or(0), c.bytes) << c.text;
    }
}

class HeaderProbeTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.path() + u'/' + name;
        EXPECT_TRUE(testfiles::WriteFile(path, bytes));
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(HeaderProbeTest, TellsTheStoredSizeAndTheProgressiveCoefficients)
{
    const QImage image = testfiles::Quadrants(1000, 600);
    const QByteArray baseline = testfiles::EncodeJpeg(image, 90, TJSAMP_420);
    const QByteArray progressive = testfiles::EncodeJpeg(image, 90, TJSAMP_444, TJFLAG_PROGRESSIVE);
    // A large profile before the frame header: the probe steps over it.
    const QByteArray withProfile = testfiles::WithSegments(
        baseline, testfiles::IccSegments(QByteArray(200000, 'p'), 60000) + testfiles::CameraExifSegment(6, "", ""));

    std::int64_t fileBytes = 0;
    const std::optional<PictureHeader> plain = ProbePicture(Write("plain.jpg", baseline), &fileBytes);
    ASSERT_TRUE(plain);
    EXPECT_EQ(fileBytes, baseline.size());
    EXPECT_EQ(plain->width, 1000);
    EXPECT_EQ(plain->height, 600);
    EXPECT_LT(plain->decodeBytes, 1000 * 600); // bands only

    const std::optional<PictureHeader> turned = ProbePicture(Write("profile.jpg", withProfile));
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->width, 1000); // as stored: the turn does not change the memory
    EXPECT_EQ(turned->height, 600);

    // Three full-size components of 8 x 8 blocks, two bytes a coefficient.
    const std::optional<PictureHeader> coefficients = ProbePicture(Write("progressive.jpg", progressive));
    ASSERT_TRUE(coefficients);
    EXPECT_GE(coefficients->decodeBytes, std::int64_t{1000} * 600 * 3 * 2);
    EXPECT_LT(coefficients->decodeBytes, std::int64_t{1008} * 608 * 3 * 2 + 1000 * 600);

    // Other formats through the loader that reads them.
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const std::optional<PictureHeader> other = ProbePicture(Write("picture.png", png));
    ASSERT_TRUE(other);
    EXPECT_EQ(QSize(other->width, other->height), QSize(1000, 600));
}

TEST_F(HeaderProbeTest, UnreadableHeadersAndNonFilesGiveNothing)
{
    const QByteArray jpeg = testfiles::EncodeJpeg(testfiles::Quadrants(64, 48));
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    const QString fifo = dir_.path() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {Write("cut.jpg", jpeg.left(frame + 5)), Write("empty.jpg", ""),
                                Write("text.jpg", "no picture here"), fifo, dir_.path() + "/missing.jpg"})
        EXPECT_FALSE(ProbePicture(path)) << path.toStdString();
}

TEST(PixelPool, KeepsABlockForTheNextPictureOnlyWithinTheBudget)
{
    const std::int64_t bytes = 16 * kMiB;
    for (const std::int64_t limit : {bytes / 2, 4 * bytes}) {
        SCOPED_TRACE(limit);
        MemoryBudget budget(limit);
        {
            const RunMemory run(budget);
            std::int64_t capacity = 0;
            std::uint8_t* first = TakePixelMemory(bytes, &capacity);
            ASSERT_NE(first, nullptr);
            EXPECT_GE(capacity, bytes);
            std::memset(first, 0xAB, static_cast<std::size_t>(bytes));
            GivePixelMemory(first, capacity);
            EXPECT_EQ(budget.Kept(), limit > bytes ? capacity : 0);

            // What comes back is zeroed again, whether it was kept or not.
            std::uint8_t* second = TakePixelMemory(bytes - kMiB, &capacity);
            ASSERT_NE(second, nullptr);
            if (limit > bytes) {
                EXPECT_EQ(second, first);
            }
            EXPECT_EQ(budget.Kept(), 0);
            EXPECT_EQ(second[0], 0);
            EXPECT_EQ(second[bytes - kMiB - 1], 0);
            GivePixelMemory(second, capacity);
        }
        EXPECT_EQ(budget.Kept(), 0); // the run's end gives the kept blocks back
    }
}

} // namespace
