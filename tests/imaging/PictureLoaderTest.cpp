#include "common/JpegTestFiles.h"

#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"
#include "platform/Gdi.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <turbojpeg.h>

#include <sys/stat.h>

using namespace testfiles;

namespace {

// The loaded picture as a QImage, through the same copy ConvertJPG makes.
QImage Loaded(const QString& path)
{
    const Picture picture = imaging::LoadPicture(path);
    if (picture.IsEmpty())
        return {};
    gdi::BITMAP description;
    gdi::GetObject(picture.Handle(), description);
    // The loader hands over the DIB layout, so CreateFromPicture is a plain row copy.
    EXPECT_EQ(description.bmBitsPixel, 24);
    aDIBSection dib;
    dib.CreateFromPicture(picture.Handle());
    return gdi::ImageOf(dib.hDib());
}

void ExpectQuadrants(const QImage& image, int width, int height, const char* what)
{
    ASSERT_FALSE(image.isNull()) << what;
    EXPECT_EQ(image.width(), width) << what;
    EXPECT_EQ(image.height(), height) << what;
    const int qx = width / 4, qy = height / 4;
    EXPECT_TRUE(Near(image.pixel(qx, qy), Qt::red)) << what;
    EXPECT_TRUE(Near(image.pixel(3 * qx, qy), Qt::green)) << what;
    EXPECT_TRUE(Near(image.pixel(qx, 3 * qy), Qt::blue)) << what;
    EXPECT_TRUE(Near(image.pixel(3 * qx, 3 * qy), Qt::white)) << what;
}

} // namespace

TEST(PictureLoader, DecodesEveryKindOfJpegUpright)
{
    QTemporaryDir dir;
    const QImage picture = Quadrants(48, 32);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"baseline.jpg", EncodeJpeg(picture)},
        {"progressive.jpg", EncodeJpeg(picture, 95, TJSAMP_420, TJFLAG_PROGRESSIVE)},
        {"cmyk.jpg", EncodeCmykJpeg(picture)},
        {"odd-size.jpeg", EncodeJpeg(Quadrants(37, 23), 95, TJSAMP_420)},
    };
    for (const auto& file : files) {
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        ASSERT_TRUE(WriteFile(path, file.bytes)) << file.name;
        const QImage image = Loaded(path);
        if (QByteArray(file.name) == "odd-size.jpeg")
            ExpectQuadrants(image, 37, 23, file.name);
        else
            ExpectQuadrants(image, 48, 32, file.name);
    }

    // Greyscale comes out as grey 24-bit pixels: top half dark, bottom-right white.
    const QString grey = dir.filePath("grey.jpg");
    ASSERT_TRUE(WriteFile(grey, EncodeGreyJpeg(picture)));
    const QImage image = Loaded(grey);
    ASSERT_EQ(image.size(), QSize(48, 32));
    const QRgb white = image.pixel(40, 28);
    EXPECT_TRUE(Near(white, Qt::white, 8));
    const QRgb red = image.pixel(8, 8);
    EXPECT_EQ(qRed(red), qGreen(red));
    EXPECT_EQ(qGreen(red), qBlue(red));
    EXPECT_NEAR(qRed(red), qGray(picture.convertToFormat(QImage::Format_Grayscale8).pixel(8, 8)), 8);

    // Other formats go through Qt's readers.
    const QString png = dir.filePath("picture.png");
    ASSERT_TRUE(picture.save(png));
    ExpectQuadrants(Loaded(png), 48, 32, "png");
}

TEST(PictureLoader, AppliesExifOrientation)
{
    QTemporaryDir dir;
    const QImage upright = Quadrants(40, 24); // landscape as the viewer should see it
    // How a camera stores the upright picture for each orientation.
    const struct {
        int orientation;
        QImage stored;
        bool bigEndian;
    } cases[] = {
        {1, upright, true},
        {3, upright.transformed(QTransform().rotate(180)), true},
        {6, upright.transformed(QTransform().rotate(-90)), false}, // stored turned left, shown turned right
        {8, upright.transformed(QTransform().rotate(90)), true},
        {2, upright.mirrored(true, false), true},
        {5, upright.transformed(QTransform().rotate(90)).mirrored(true, false), true},
        {7, upright.transformed(QTransform().rotate(-90)).mirrored(true, false), false},
        {4, upright.mirrored(false, true), true},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("exif-orientation-%1.jpg").arg(c.orientation));
        ASSERT_TRUE(
            WriteFile(path, WithExifOrientation(EncodeJpeg(c.stored, 95, TJSAMP_444), c.orientation, c.bigEndian)));
        const std::string what = "orientation " + std::to_string(c.orientation);
        ExpectQuadrants(Loaded(path), 40, 24, what.c_str());
    }

    // A portrait photo taken sideways becomes a portrait bitmap.
    const QString portrait = dir.filePath("portrait.jpg");
    ASSERT_TRUE(WriteFile(portrait, WithExifOrientation(EncodeJpeg(Quadrants(64, 48)), 6)));
    EXPECT_EQ(Loaded(portrait).size(), QSize(48, 64));
}

TEST(PictureLoader, TurnsEveryOrientationExactlyAsTheStoredPixels)
{
    // Taller than several decoded bands and not a multiple of one; CMYK decodes through
    // a band of its own.
    QTemporaryDir dir;
    const QImage content = Quadrants(45, 53);
    for (const QByteArray& stored : {EncodeJpeg(content, 90, TJSAMP_420), EncodeCmykJpeg(content)}) {
        const QString plainPath = dir.filePath("plain.jpg");
        ASSERT_TRUE(WriteFile(plainPath, stored));
        const QImage plain = Loaded(plainPath);
        ASSERT_EQ(plain.size(), QSize(45, 53));
        for (int orientation = 2; orientation <= 8; ++orientation) {
            const QString path = dir.filePath(QStringLiteral("exif-orientation-%1.jpg").arg(orientation));
            ASSERT_TRUE(WriteFile(path, WithExifOrientation(stored, orientation)));
            EXPECT_EQ(Loaded(path), AsViewed(plain, orientation)) << "orientation " << orientation;
        }
    }
}

TEST(PictureLoader, BadInputGivesAnEmptyPictureAndSaysWhy)
{
    QTemporaryDir dir;
    const int liveBefore = gdi::LiveObjectCount();
    const QByteArray good = EncodeJpeg(Quadrants(64, 64));
    QByteArray random(4096, '\0');
    QRandomGenerator generator(42);
    for (auto& b : random)
        b = static_cast<char>(generator.bounded(256));
    QByteArray pngBytes;
    {
        const QString png = dir.filePath("real.png");
        ASSERT_TRUE(Quadrants(16, 16).save(png));
        QFile file(png);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        pngBytes = file.readAll();
    }
    const auto withSize = [&](int width, int height) { return WithFrameSize(good, width, height); };
    const QByteArray truncated = good.left(good.size() / 2);
    const struct {
        const char* name;
        QByteArray bytes;
        QString reason;
    } files[] = {
        {"empty.jpg", QByteArray(), "empty file"},
        {"truncated.jpg", truncated,
         QStringLiteral("truncated or damaged JPEG data at byte %1 (libjpeg: Premature end of JPEG file)")
             .arg(truncated.size())},
        {"header-only.jpg", good.left(good.indexOf("\xFF\xDA") + 4), "truncated or damaged JPEG data at byte"},
        {"random.jpg", random, "not a JPEG file"},
        {"png-named.jpg", pngBytes, "not a JPEG file"},
        {"65535x65535.jpg", withSize(65535, 65535), "picture too large (65535 x 65535)"},
        {"40000x30000.jpg", withSize(40000, 30000), "picture too large (40000 x 30000)"}, // beyond the pixel cap
        {"zero-width.jpg", withSize(0, 64), "truncated or damaged JPEG data at byte"},
        {"random.png", random, "cannot read the picture (Qt: "},
    };
    for (const auto& file : files) {
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        ASSERT_TRUE(WriteFile(path, file.bytes)) << file.name;
        imaging::LoadDetails details;
        EXPECT_TRUE(imaging::LoadPicture(path, &details).IsEmpty()) << file.name;
        EXPECT_TRUE(details.failure.startsWith(file.reason)) << file.name << ": " << details.failure.toStdString();
    }
    const auto reason = [](const QString& path) {
        imaging::LoadDetails details;
        EXPECT_TRUE(imaging::LoadPicture(path, &details).IsEmpty());
        return details.failure.toStdString();
    };
    EXPECT_EQ(reason(dir.filePath("missing.jpg")), "cannot open: No such file or directory");
    EXPECT_EQ(reason(dir.path()), "not a regular file");
    // A pipe is refused without waiting for a writer that never comes.
    const QString fifo = dir.filePath("pipe.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(reason(fifo), "not a regular file");
    // Nothing is left allocated by the failures.
    EXPECT_EQ(gdi::LiveObjectCount(), liveBefore);
}
