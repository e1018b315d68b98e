#include "OutputArguments.h"

namespace cli {

namespace {

constexpr std::int64_t kMaxByteCount = std::int64_t{1} << 30;

} // namespace

bool IsOutputOption(const QString& name)
{
    return name == QLatin1String("--mirror") || name == QLatin1String("--update") || name == QLatin1String("--dry-run")
        || OutputOptionTakesValue(name);
}

bool OutputOptionTakesValue(const QString& name)
{
    return name == QLatin1String("--max-size") || name == QLatin1String("--format")
        || name == QLatin1String("--filter");
}

bool ApplyOutputOption(const QString& name, const QString& value, batch::OutputOptions& output, QString& error)
{
    if (name == QLatin1String("--mirror")) {
        output.mirror = true;
    } else if (name == QLatin1String("--update")) {
        output.update = true;
    } else if (name == QLatin1String("--dry-run")) {
        output.dryRun = true;
    } else if (name == QLatin1String("--max-size")) {
        const std::optional<std::int64_t> bytes = ReadByteCount(value);
        if (!bytes) {
            error =
                QStringLiteral("max-size must be a number of bytes such as 300000, 500K or 2M, not \"%1\"").arg(value);
            return false;
        }
        output.maxBytes = *bytes;
    } else if (name == QLatin1String("--format")) {
        if (value == QLatin1String("jpeg")) {
            output.format = batch::OutputFormat::Jpeg;
        } else if (value == QLatin1String("webp")) {
            output.format = batch::OutputFormat::WebP;
        } else {
            error = QStringLiteral("format must be jpeg or webp, not \"%1\"").arg(value);
            return false;
        }
    } else if (name == QLatin1String("--filter")) {
        if (value == QLatin1String("bilinear")) {
            output.filter = batch::ReductionFilter::Bilinear;
        } else if (value == QLatin1String("lanczos3")) {
            output.filter = batch::ReductionFilter::Lanczos3;
        } else {
            error = QStringLiteral("filter must be bilinear or lanczos3, not \"%1\"").arg(value);
            return false;
        }
    } else {
        error = QStringLiteral("unknown option %1").arg(name);
        return false;
    }
    return true;
}

std::optional<std::int64_t> ReadByteCount(const QString& text)
{
    std::int64_t unit = 1;
    QString digits = text;
    if (digits.endsWith(u'K', Qt::CaseInsensitive))
        unit = 1024;
    else if (digits.endsWith(u'M', Qt::CaseInsensitive))
        unit = 1024 * 1024;
    if (unit != 1)
        digits.chop(1);
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const std::int64_t bytes = digits.toLongLong() * unit;
    if (bytes <= 0 || bytes > kMaxByteCount)
        return std::nullopt;
    return bytes;
}

QString OutputOptionsUsage()
{
    return QStringLiteral(
        "      --mirror         keep each picture's folder below SOURCE under TARGET (implies -r)\n"
        "      --update         skip pictures whose copy exists with the picture's modification time\n"
        "      --max-size BYTES\n"
        "                       every copy at most BYTES (300000, 500K, 2M): lower quality first,\n"
        "                       down to 10, then about 10% smaller steps; metadata counts\n"
        "      --format FORMAT  jpeg (default) or webp (\".webp\" names, -q as WebP quality)\n"
        "      --filter FILTER  bilinear (default, as the window) or lanczos3 (sharper, no aliasing)\n"
        "      --dry-run        print what would be written where, and what would be refused or\n"
        "                       skipped; reads no picture and writes nothing\n");
}

} // namespace cli
