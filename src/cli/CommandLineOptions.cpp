#include "CommandLineOptions.h"

#include "OutputArguments.h"

#include "batch/FolderWorkers.h"
#include "batch/JobSettings.h"
#include "imaging/PixelMemory.h"

namespace cli {

namespace {

// A whole decimal number within [low, high], nothing else.
bool ReadWholeNumber(const QString& text, int low, int high, int& value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || text.startsWith(u'+') || number < low || number > high)
        return false;
    value = number;
    return true;
}

// A positive whole number of pixels ("640") or a positive whole percentage ("40%") that
// fits the engine's 32-bit size, nothing else: the window's lenient reading would take
// "12abc" as 12 pixels and "abc" as the default without a word.
bool IsStrictSize(const QString& text)
{
    const QString digits = text.endsWith(u'%') ? text.chopped(1) : text;
    if (digits.isEmpty() || digits.front() == u'0')
        return false;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    digits.toInt(&ok, 10);
    return ok;
}

} // namespace

QString UsageText()
{
    return QStringLiteral("Usage: zimbrel-shrink [options] SOURCE TARGET\n"
                          "Writes a reduced copy of every picture (JPEG, HEIC/HEIF/AVIF, PNG, WebP) of the\n"
                          "folder SOURCE (or of the one picture SOURCE) into the folder TARGET (or the file\n"
                          "TARGET). The sources are never changed.\n"
                          "\n"
                          "  -s, --size TEXT      long edge in pixels (\"640\") or percent (\"40%\"); default %4\n"
                          "  -q, --quality N      JPEG quality %1..%2; default %3\n"
                          "  -r, --subfolders     include every subfolder of SOURCE\n"
                          "  -j, --jobs N         workers, 1..%5; default: all cores (at most %5)\n"
                          "      --memory-limit SIZE\n"
                          "                       memory the pictures in work may take together (\"800M\",\n"
                          "                       \"4G\"); a larger picture runs alone. Default: three quarters\n"
                          "                       of the memory available\n"
                          "      --overwrite      a single-file run may replace an existing TARGET file\n"
                          "      --quiet          no progress and no warnings, only errors\n"
                          "%6"
                          "  -h, --help           this text\n"
                          "      --version        the program's version\n"
                          "\n"
                          "Exit status: 0 all written, 1 some pictures failed, 2 usage error or refused job\n"
                          "(nothing written), 130 stopped by Ctrl-C after the pictures in work were complete.\n")
        .arg(batch::kMinQuality)
        .arg(batch::kMaxQuality)
        .arg(batch::kDefaultQuality)
        .arg(batch::kDefaultSize)
        .arg(batch::kMaxWorkers)
        .arg(OutputOptionsUsage());
}

bool ParseCommandLine(const QStringList& given, CommandLineOptions& options, QString& error)
{
    QStringList arguments = given; // a bundle of short options is unpacked in place
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (optionsEnded || argument == u'-' || !argument.startsWith(u'-')) {
            positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        // "--name=value" carries its value with it.
        QString attached;
        bool hasAttached = false;
        if (argument.startsWith(QLatin1String("--")) && argument.contains(u'=')) {
            attached = argument.mid(argument.indexOf(u'=') + 1);
            argument = argument.left(argument.indexOf(u'='));
            hasAttached = true;
        }
        // "-rq50": the first letter is the option; a value option takes the rest as its
        // value ("-s320"), a flag hands the rest on as the next option ("-q50").
        const bool bundled = !argument.startsWith(QLatin1String("--")) && argument.size() > 2;
        if (bundled) {
            attached = argument.mid(2);
            argument.truncate(2);
            hasAttached = true;
        }
        const auto value = [&](QString& into) {
            if (hasAttached) {
                into = attached;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("option %1 needs a value").arg(argument);
                return false;
            }
            into = arguments[++i];
            return true;
        };
        const auto flag = [&] {
            if (bundled) {
                if (attached.startsWith(u'-')) { // "-r-x" names no option "--x"
                    error = QStringLiteral("unknown option -%1").arg(attached.left(1));
                    return false;
                }
                arguments.insert(i + 1, u'-' + attached);
                return true;
            }
            if (hasAttached)
                error = QStringLiteral("option %1 takes no value").arg(argument);
            return !hasAttached;
        };
        QString text;
        if (argument == QLatin1String("-s") || argument == QLatin1String("--size")) {
            if (!value(options.size))
                return false;
            if (!IsStrictSize(options.size)) {
                error = QStringLiteral("size must be a positive whole number of pixels (\"640\") or a positive "
                                       "whole percentage (\"40%\"), not \"%1\"")
                            .arg(options.size);
                return false;
            }
        } else if (argument == QLatin1String("-q") || argument == QLatin1String("--quality")) {
            if (!value(text))
                return false;
            int quality = 0;
            if (!ReadWholeNumber(text, batch::kMinQuality, batch::kMaxQuality, quality)) {
                error = QStringLiteral("quality must be a whole number from %1 to %2, not \"%3\"")
                            .arg(batch::kMinQuality)
                            .arg(batch::kMaxQuality)
                            .arg(text);
                return false;
            }
            options.quality = quality;
        } else if (argument == QLatin1String("-j") || argument == QLatin1String("--jobs")) {
            if (!value(text))
                return false;
            if (!ReadWholeNumber(text, 1, batch::kMaxWorkers, options.jobs)) {
                error = QStringLiteral("jobs must be a whole number from 1 to %1, not \"%2\"")
                            .arg(batch::kMaxWorkers)
                            .arg(text);
                return false;
            }
        } else if (argument == QLatin1String("--memory-limit")) {
            if (!value(text))
                return false;
            const std::optional<std::int64_t> bytes = imaging::ReadMemorySize(text);
            if (!bytes) {
                error = QStringLiteral("memory limit must be a size such as 800M or 4G, not \"%1\"").arg(text);
                return false;
            }
            options.memoryLimit = *bytes;
        } else if (argument == QLatin1String("-r") || argument == QLatin1String("--subfolders")) {
            if (!flag())
                return false;
            options.subfolders = true;
        } else if (argument == QLatin1String("--overwrite")) {
            if (!flag())
                return false;
            options.overwrite = true;
        } else if (argument == QLatin1String("--quiet")) {
            if (!flag())
                return false;
            options.quiet = true;
        } else if (IsOutputOption(argument)) {
            if (OutputOptionTakesValue(argument) ? !value(text) : !flag())
                return false;
            if (!ApplyOutputOption(argument, text, options.output, error))
                return false;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            if (!flag())
                return false;
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            if (!flag())
                return false;
            options.version = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(argument);
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (options.output.mirror)
        options.subfolders = true;
    if (positional.size() != 2) {
        error = positional.size() < 2
            ? QStringLiteral("SOURCE and TARGET are needed")
            : QStringLiteral("only SOURCE and TARGET are taken, not \"%1\"").arg(positional[2]);
        return false;
    }
    options.source = positional[0];
    options.target = positional[1];
    if (options.source.isEmpty() || options.target.isEmpty()) {
        error = QStringLiteral("SOURCE and TARGET may not be empty");
        return false;
    }
    return true;
}

} // namespace cli
