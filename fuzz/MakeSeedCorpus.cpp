// Writes the fuzz target's seed corpus: a few tiny pictures, one of each kind the loader
// takes a different path for. Run it again after changing it, and commit the result:
//   build/fuzz/make_seed_corpus fuzz/corpus
#include "common/JpegTestFiles.h"

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
