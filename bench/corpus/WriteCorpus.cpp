// Writes the benchmark photos to a folder, so whole programs can be timed on them:
//   zimbrel_bench_corpus FOLDER [COUNT]   (COUNT photo-like 4000 x 3000 JPEGs, default 40)
//   zimbrel_bench_corpus --mixed FOLDER   (the 40 photos of bench::MixedCorpus)

#include "../BenchPhotos.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zimbrel_bench_corpus FOLDER [COUNT] | --mixed FOLDER\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--mixed") == 0) {
        const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        if (folder.isEmpty() || !QDir().mkpath(folder))
            return 2;
        const std::vector<bench::MixedPhoto> photos = bench::MixedCorpus();
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const QByteArray picture = bench::MixedCorpusJpeg(photos[i], static_cast<unsigned>(i));
            QFile file(folder + QStringLiteral("/foto%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
            if (picture.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size())
                return 1;
        }
        return 0;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 40;
    if (!QDir().mkpath(folder) || count <= 0)
        return 2;
    // Four distinct pictures, as in the folder-run benchmark: the decoder does the same
    // work on each copy.
    std::vector<QByteArray> pictures;
    for (unsigned seed = 0; seed < 4; ++seed)
        pictures.push_back(bench::PhotoLikeJpeg(4000, 3000, seed));
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/foto%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        const QByteArray& picture = pictures[static_cast<std::size_t>(i % 4)];
        if (!file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size())
            return 1;
    }
    return 0;
}
