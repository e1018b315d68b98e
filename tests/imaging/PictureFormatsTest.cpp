// HEIC, PNG and WebP through the picture loader: the same upright 24-bit picture and the
// same metadata a JPEG gives.
#include "common/JpegTestFiles.h"
#include "common/PictureTestFiles.h"

#include "imaging/PictureLoader.h"
#include "imaging/SampleRows.h"
#include "imaging/aDIBSection.h"
#include "platform/Gdi.h"

#include <QColorSpace>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

using namespace testfiles;

namespace {

struct Loaded {
    QImage image;
    imaging::LoadDetails details;
};

Loaded Load(const QByteArray& bytes)
{
    Loaded result;
    const Picture picture = imaging::LoadPictureFromData(bytes, false, &result.details);
    if (!picture.IsEmpty()) {
        aDIBSection dib;
        dib.CreateFromPicture(picture.Handle());
        result.image = gdi::ImageOf(dib.hDib()).convertToFormat(QImage::Format_RGB32);
    }
    return result;
}

// The largest difference of any channel of any pixel.
int MaxDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max(
                {worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

// The mean difference of all channels of all pixels.
double MeanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// The black mark of MarkedGradient sits in the corner it is expected in, and nowhere else.
void ExpectMarkAt(const QImage& image, bool right, bool bottom, const char* what)
{
    ASSERT_FALSE(image.isNull()) << what;
    const int x = image.width() / 16, y = image.height() / 16;
    const int farX = image.width() - 1 - x, farY = image.height() - 1 - y;
    const QPoint corners[] = {{x, y}, {farX, y}, {x, farY}, {farX, farY}};
    const int marked = (right ? 1 : 0) + (bottom ? 2 : 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(qGray(image.pixel(corners[i])) < 30, i == marked) << what << ", corner " << i;
}

const QByteArray kDate = "2024:05:17 09:41:07";

} // namespace

TEST(PictureFormats, HeicTransformsAppliedOnceAndDateCarried)
{
    // Stored landscape, turned by the file's own transformation; the EXIF tag inside says
    // 6 as well and must not turn it a second time.
    const QImage stored = MarkedGradient(64, 48);
    const struct {
        int orientation;
        QSize size;
        bool right, bottom;
    } cases[] = {
        {1, {64, 48}, false, false}, {3, {64, 48}, true, true},  {6, {48, 64}, true, false},
        {8, {48, 64}, false, true},  {2, {64, 48}, true, false},
    };
    for (const auto& c : cases) {
        HeicOptions options;
        options.orientation = c.orientation;
        options.exifTiff = CameraExifTiff(6, kDate);
        const QByteArray heic = EncodeHeic(stored, options);
        ASSERT_FALSE(heic.isEmpty());
        const Loaded loaded = Load(heic);
        const std::string what = "orientation " + std::to_string(c.orientation);
        ASSERT_EQ(loaded.image.size(), c.size) << what << ": " << loaded.details.failure.toStdString();
        ExpectMarkAt(loaded.image, c.right, c.bottom, what.c_str());
        EXPECT_TRUE(loaded.details.metadata.captureExif.contains(kDate)) << what;
        const std::optional<imaging::PictureHeader> header = imaging::ProbePictureData(heic, false);
        ASSERT_TRUE(header) << what;
        EXPECT_EQ(QSize(header->width, header->height), c.size) << what;
    }
}

TEST(PictureFormats, HeicColoursKeepTheirProfile)
{
    const QImage picture = MarkedGradient(32, 32);
    // An embedded profile is carried whole.
    HeicOptions tagged;
    tagged.iccProfile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    ASSERT_FALSE(tagged.iccProfile.isEmpty());
    EXPECT_EQ(Load(EncodeHeic(picture, tagged)).details.metadata.iccProfile, tagged.iccProfile);

    // Colours given only as nclx code points: Display P3 gets a profile with P3's
    // primaries, sRGB needs none.
    HeicOptions p3;
    p3.nclxPrimaries = 12;
    const Loaded wide = Load(EncodeHeic(picture, p3));
    ASSERT_FALSE(wide.image.isNull()) << wide.details.failure.toStdString();
    const QColorSpace space = QColorSpace::fromIccProfile(wide.details.metadata.iccProfile);
    ASSERT_TRUE(space.isValid());
    EXPECT_EQ(space.primaries(), QColorSpace::Primaries::DciP3D65);
    EXPECT_EQ(space.transferFunction(), QColorSpace::TransferFunction::SRgb);
    HeicOptions srgb;
    srgb.nclxPrimaries = 1;
    EXPECT_TRUE(Load(EncodeHeic(picture, srgb)).details.metadata.iccProfile.isEmpty());
}

TEST(PictureFormats, EveryFormatMatchesItsLosslessReference)
{
    const QImage picture = MarkedGradient(48, 40);
    const Loaded reference = Load(EncodePng(picture));
    ASSERT_EQ(reference.image.size(), picture.size()) << reference.details.failure.toStdString();
    EXPECT_EQ(MaxDifference(reference.image, picture), 0);
    HeicOptions tenBit;
    tenBit.tenBit = true;
    const struct {
        const char* what;
        QByteArray bytes;
        int tolerance;
    } cases[] = {
        {"heic", EncodeHeic(picture), 24},
        {"10-bit heic", EncodeHeic(picture, tenBit), 24},
        {"lossy webp", EncodeWebP(picture, false, 90), 40}, // chroma bleeds at the mark's edge
        {"lossless webp", EncodeWebP(picture, true), 0},
        {"16-bit png", EncodePng(picture.convertToFormat(QImage::Format_RGBA64)), 0},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.bytes.isEmpty()) << c.what;
        const Loaded loaded = Load(c.bytes);
        ASSERT_EQ(loaded.image.size(), picture.size()) << c.what << ": " << loaded.details.failure.toStdString();
        EXPECT_LE(MaxDifference(loaded.image, reference.image), c.tolerance) << c.what;
        EXPECT_LE(MeanDifference(loaded.image, reference.image), 3.0) << c.what;
        ExpectMarkAt(loaded.image, false, false, c.what);
    }

    // Palette and grey pictures give exactly their colours.
    for (const QImage& few :
         {picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
          picture.convertToFormat(QImage::Format_Grayscale8), picture.convertToFormat(QImage::Format_Grayscale16)}) {
        const Loaded loaded = Load(EncodePng(few));
        ASSERT_EQ(loaded.image.size(), picture.size()) << few.format();
        EXPECT_EQ(MaxDifference(loaded.image, few.convertToFormat(QImage::Format_RGB32)), 0) << few.format();
    }
}

TEST(PictureFormats, TransparencyComposedOntoWhite)
{
    // Half-transparent red over a fully transparent background.
    QImage picture(16, 16, QImage::Format_RGBA8888);
    picture.fill(QColor(0, 0, 0, 0));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x)
            picture.setPixelColor(x, y, QColor(255, 0, 0, 128));
    }
    HeicOptions alpha;
    alpha.alpha = true;
    alpha.quality = 100;
    const struct {
        const char* what;
        QByteArray bytes;
        int tolerance;
    } cases[] = {
        {"8-bit png", EncodePng(picture), 1},
        {"16-bit png", EncodePng(picture.convertToFormat(QImage::Format_RGBA64)), 1},
        {"lossless webp", EncodeWebP(picture, true), 1},
        {"heic", EncodeHeic(picture, alpha), 12},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Load(c.bytes);
        ASSERT_EQ(loaded.image.size(), QSize(16, 16)) << c.what << ": " << loaded.details.failure.toStdString();
        const QRgb top = loaded.image.pixel(8, 2), bottom = loaded.image.pixel(8, 13);
        EXPECT_TRUE(Near(top, QColor(255, 127, 127), c.tolerance)) << c.what << " " << std::hex << top;
        EXPECT_TRUE(Near(bottom, Qt::white, c.tolerance)) << c.what << " " << std::hex << bottom;
    }
}

TEST(PictureFormats, DeepSamplesRoundAndAlphaComposes)
{
    // One pixel each: what comes out in blue, green, red.
    const struct {
        imaging::SampleLayout layout;
        std::vector<std::uint8_t> samples;
        std::array<int, 3> bgr;
    } cases[] = {
        // 10 bits in little-endian pairs: 3 is 0.75 of an 8-bit step (a shift would give 0).
        {{3, 2, false, 1023, false}, {3, 0, 0x02, 0x02, 0xFF, 0x03}, {255, 128, 1}},
        // 16 bits big-endian: 448 is 1.74 steps.
        {{3, 2, true, 65535, false}, {0x01, 0xC0, 0x80, 0x80, 0xFF, 0xFF}, {255, 128, 2}},
        // Straight alpha, half: red over white.
        {{4, 1, false, 255, false}, {255, 0, 0, 128}, {127, 127, 255}},
        // Premultiplied: the colour already carries the alpha.
        {{4, 1, false, 255, true}, {128, 0, 0, 128}, {127, 127, 255}},
        // Transparent: white whatever the colour says.
        {{4, 2, true, 65535, false}, {0, 0, 0x12, 0x34, 0, 0, 0, 0}, {255, 255, 255}},
    };
    for (const auto& c : cases) {
        std::uint8_t out[3] = {};
        imaging::ToBgrOnWhite(c.samples.data(), out, 1, c.layout);
        EXPECT_EQ((std::array<int, 3>{out[0], out[1], out[2]}), c.bgr);
    }
}

TEST(PictureFormats, PngAndWebPCarryOrientationProfileAndDate)
{
    const QImage upright = MarkedGradient(40, 30);
    // Stored turned left, shown turned right (EXIF 6), as a phone stores a portrait.
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    const QByteArray tiff = CameraExifTiff(6, kDate);
    const QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    QImage tagged = stored;
    tagged.setColorSpace(QColorSpace::DisplayP3);
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"png", WithPngChunk(EncodePng(tagged), "eXIf", tiff)},
        {"webp", EncodeWebP(stored, true, 90, tiff, profile)},
        {"lossy webp with Exif prefix", EncodeWebP(stored, false, 90, QByteArray("Exif\0\0", 6) + tiff, profile)},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Load(c.bytes);
        ASSERT_EQ(loaded.image.size(), QSize(40, 30)) << c.what << ": " << loaded.details.failure.toStdString();
        ExpectMarkAt(loaded.image, false, false, c.what);
        EXPECT_TRUE(loaded.details.metadata.captureExif.contains(kDate)) << c.what;
        EXPECT_TRUE(QColorSpace::fromIccProfile(loaded.details.metadata.iccProfile).isValid()) << c.what;
    }
}

TEST(PictureFormats, AnimatedWebPGivesItsFirstFrame)
{
    QImage first = MarkedGradient(24, 16), second(24, 16, QImage::Format_RGB32);
    second.fill(Qt::white);
    const Loaded loaded = Load(EncodeAnimatedWebP({first, second}));
    ASSERT_EQ(loaded.image.size(), QSize(24, 16)) << loaded.details.failure.toStdString();
    EXPECT_EQ(MaxDifference(loaded.image, first), 0);
}

TEST(PictureFormats, BadInputSaysWhyAndLeavesNothing)
{
    const QImage picture = MarkedGradient(32, 24);
    const QByteArray heic = EncodeHeic(picture), png = EncodePng(picture), webp = EncodeWebP(picture, false);
    // The picture item's type changed from HEVC to VVC, which this libheif cannot decode.
    QByteArray vvc = heic;
    vvc.replace(vvc.indexOf("hvc1", vvc.indexOf("infe")), 4, "vvc1");
    // A PNG whose header claims 100000 x 100000 pixels (its CRC made to match).
    const QByteArray huge = png.left(8) + PngChunk("IHDR", QByteArray::fromHex("000186a0000186a0") + png.mid(24, 5))
        + png.mid(33);
    const int live = gdi::LiveObjectCount();
    const struct {
        const char* what;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"truncated heic", heic.left(heic.size() * 2 / 3), "HEIF"},
        {"truncated png", png.left(png.size() / 2), "PNG"},
        {"truncated webp", webp.left(webp.size() / 2), "WebP"},
        {"damaged png", QByteArray(png).replace(60, 20, QByteArray(20, 'x')), "PNG"},
        {"huge png", huge, "too large"},
        {"heif of another codec", vvc, "no decoder here"},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Load(c.bytes);
        EXPECT_TRUE(loaded.image.isNull()) << c.what;
        EXPECT_TRUE(loaded.details.failure.contains(QLatin1String(c.reason)))
            << c.what << ": " << loaded.details.failure.toStdString();
    }
    EXPECT_EQ(gdi::LiveObjectCount(), live);
}

TEST(PictureFormats, HeaderProbeGivesTheDecodedSizeWithoutDecoding)
{
    QTemporaryDir dir;
    const QImage picture = MarkedGradient(36, 20);
    HeicOptions turned;
    turned.orientation = 8;
    const struct {
        const char* name;
        QByteArray bytes;
        QSize size;
    } cases[] = {
        {"a.jpg", EncodeJpeg(picture), {36, 20}},
        {"b.heic", EncodeHeic(picture, turned), {20, 36}},
        {"c.png", EncodePng(picture), {36, 20}},
        {"d.webp", EncodeWebP(picture, false), {36, 20}},
        {"e.webp", EncodeAnimatedWebP({picture, picture}), {36, 20}},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteFile(path, c.bytes)) << c.name;
        const std::optional<imaging::PictureHeader> header = imaging::ProbePicture(path);
        ASSERT_TRUE(header) << c.name;
        EXPECT_EQ(QSize(header->width, header->height), c.size) << c.name;
        // Only the header counts: a picture whose end is cut off still tells its size.
        const QByteArray cut = c.bytes.left(c.bytes.size() - 8);
        const std::optional<imaging::PictureHeader> head = imaging::ProbePictureData(cut, false);
        if (QByteArray(c.name) != "b.heic") {
            EXPECT_TRUE(head && QSize(head->width, head->height) == c.size) << c.name;
        }
    }
    EXPECT_FALSE(imaging::ProbePicture(dir.filePath("missing.png")));
    EXPECT_FALSE(imaging::ProbePictureData("no picture at all", false));
}

TEST(PictureFormats, AvifDecodes)
{
    // Made by heif-enc -A from a 16 x 12 colour picture (see fuzz/MakeSeedCorpus.cpp).
    const QString path = QStringLiteral(ZIMBREL_FUZZ_CORPUS "/primary.avif");
    imaging::LoadDetails details;
    const Picture picture = imaging::LoadPicture(path, &details);
    ASSERT_FALSE(picture.IsEmpty()) << details.failure.toStdString();
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(16, 12));
    const std::optional<imaging::PictureHeader> header = imaging::ProbePicture(path);
    ASSERT_TRUE(header);
    EXPECT_EQ(QSize(header->width, header->height), QSize(16, 12));
}
