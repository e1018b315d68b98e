// Writes the fuzz target's seed corpus: a few tiny pictures, one of each kind the loader
// takes a different path for (JPEG, HEIC, PNG, WebP). Run it again after changing it,
// and commit the result:
//   build/fuzz/make_seed_corpus fuzz/corpus
// primary.avif is made with libheif's own tool (libheif's encoder here needs a colour
// picture for AV1): heif-enc -A -q 30 -o fuzz/corpus/primary.avif a-16x12-colour.png
#include "common/JpegTestFiles.h"
#include "common/PictureTestFiles.h"

#include <QFile>
#include <QImage>

#include <turbojpeg.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus FOLDER\n");
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]) + "/";
    const QImage picture = testfiles::Quadrants(16, 12);
    const QByteArray baseline = testfiles::EncodeJpeg(picture, 50, TJSAMP_420);
    testfiles::HeicOptions turned;
    turned.quality = 30;
    turned.orientation = 6;
    turned.exifTiff = testfiles::CameraExifTiff(1, "2024:05:17 09:41:07");
    testfiles::HeicOptions deep;
    deep.quality = 30;
    deep.tenBit = true;
    deep.alpha = true;
    deep.nclxPrimaries = 12;
    const QByteArray exif = testfiles::CameraExifTiff(6, "2024:05:17 09:41:07");
    QImage white(16, 12, QImage::Format_RGB32);
    white.fill(Qt::white);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"baseline.jpg", baseline},
        {"progressive.jpg", testfiles::EncodeJpeg(picture, 50, TJSAMP_420, TJFLAG_PROGRESSIVE)},
        {"grey.jpg", testfiles::EncodeGreyJpeg(picture)},
        {"cmyk.jpg", testfiles::EncodeCmykJpeg(picture)},
        {"exif-orientation-6.jpg", testfiles::WithExifOrientation(baseline, 6)},
        {"truncated.jpg", baseline.left(baseline.size() * 2 / 3)},
        {"orientation-6-date.heic", testfiles::EncodeHeic(picture, turned)},
        {"10-bit-alpha-nclx.heic", testfiles::EncodeHeic(picture, deep)},
        {"16-bit-alpha-exif.png",
         testfiles::WithPngChunk(testfiles::EncodePng(picture.convertToFormat(QImage::Format_RGBA64)), "eXIf", exif)},
        {"palette.png", testfiles::EncodePng(picture.convertToFormat(QImage::Format_Indexed8))},
        {"lossy-exif.webp", testfiles::EncodeWebP(picture, false, 50, exif)},
        {"lossless.webp", testfiles::EncodeWebP(picture, true)},
        {"animated.webp", testfiles::EncodeAnimatedWebP({picture, white})},
    };
    for (const auto& file : files) {
        if (file.bytes.isEmpty() || !testfiles::WriteFile(folder + file.name, file.bytes)) {
            std::fprintf(stderr, "could not write %s\n", file.name);
            return 1;
        }
    }
    if (!picture.save(folder + "quadrants.png")) {
        std::fprintf(stderr, "could not write quadrants.png\n");
        return 1;
    }
    return 0;
}
