// Runs the fuzz target's entry point once for every file in the folders (or for the
// files) named on the command line, without libFuzzer: the test suite replays the
// committed seed corpus this way with the normal compiler. A fault aborts; no input at
// all is a failure too, so a lost corpus does not pass unnoticed.
//
// A folder may hold SOURCES.tsv, one line per file: its name, whether the loader must
// take it ("loads") or refuse it ("refused"), what the reference decoder makes of it,
// where it came from and its licence. Each file it names is loaded once more as a JPEG
// and must end that way; a file it names that is missing is a failure too. With --list,
// every file's name, outcome and reason are printed instead (for adding to the table).
#include "imaging/PictureLoader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const QString kSourcesName = QStringLiteral("SOURCES.tsv");

// Outcomes by file path, from the folder's SOURCES.tsv; false when it cannot be read.
bool ReadExpectedOutcomes(const QString& folder, QHash<QString, QString>& expected)
{
    QFile table(QDir(folder).filePath(kSourcesName));
    if (!table.exists())
        return true;
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(table.fileName()));
        return false;
    }
    while (!table.atEnd()) {
        const QString line = QString::fromUtf8(table.readLine()).chopped(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 5 || (fields[1] != QLatin1String("loads") && fields[1] != QLatin1String("refused"))) {
            std::fprintf(stderr, "%s: not file, outcome, djpeg, source, licence: %s\n", qPrintable(table.fileName()),
                         qPrintable(line));
            return false;
        }
        expected.insert(QDir(folder).filePath(fields[0]), fields[1]);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bool list = false;
    QStringList inputs;
    QHash<QString, QString> expected;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        if (path == QLatin1String("--list")) {
            list = true;
        } else if (QFileInfo(path).isDir()) {
            if (!ReadExpectedOutcomes(path, expected))
                return 1;
            for (const QString& name : QDir(path).entryList(QDir::Files, QDir::Name)) {
                if (name != kSourcesName)
                    inputs << QDir(path).filePath(name);
            }
        } else {
            inputs << path;
        }
    }
    int mismatches = 0;
    for (const QString& input : inputs) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(input));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        if (!list)
            std::printf("%s (%lld bytes)\n", qPrintable(input), static_cast<long long>(bytes.size()));
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size()));

        const auto outcome = expected.constFind(input);
        if (!list && outcome == expected.constEnd())
            continue;
        imaging::LoadDetails details;
        const bool loads = !imaging::LoadPictureFromData(bytes, true, &details).IsEmpty();
        const QString actual = loads ? QStringLiteral("loads") : QStringLiteral("refused");
        if (list) {
            std::printf("%s\t%s\t%s\n", qPrintable(QFileInfo(input).fileName()), qPrintable(actual),
                        qPrintable(details.failure));
        } else if (actual != *outcome) {
            std::fprintf(stderr, "%s: expected to be %s, but %s (%s)\n", qPrintable(input), qPrintable(*outcome),
                         qPrintable(actual), qPrintable(details.failure));
            ++mismatches;
        }
        expected.remove(input);
    }
    if (!list) {
        for (auto missing = expected.constBegin(); missing != expected.constEnd(); ++missing) {
            std::fprintf(stderr, "%s is listed in %s but missing\n", qPrintable(missing.key()),
                         qPrintable(kSourcesName));
            ++mismatches;
        }
    }
    std::printf("%lld inputs replayed, %d outcomes unexpected\n", static_cast<long long>(inputs.size()), mismatches);
    return inputs.isEmpty() || mismatches > 0 ? 1 : 0;
}
