#include "PictureNames.h"

#include "batch/FileListScan.h"
#include "support/StdModul.h"

namespace batch {

namespace {

bool IsJpegExtension(const QString& extension)
{
    return extension == QLatin1String("jpg") || extension == QLatin1String("jpeg");
}

} // namespace

bool IsPictureExtension(const QString& extension)
{
    static const QLatin1String others[] = {QLatin1String("heic"), QLatin1String("heif"), QLatin1String("hif"),
                                           QLatin1String("avif"), QLatin1String("png"),  QLatin1String("webp")};
    if (IsJpegExtension(extension))
        return true;
    for (const QLatin1String other : others) {
        if (extension == other)
            return true;
    }
    return false;
}

QString CopyName(const QString& name)
{
    const QString extension = GetExtension(name);
    if (IsJpegExtension(extension) || !IsPictureExtension(extension))
        return name;
    return StdModul::GetBaseName(name) + QStringLiteral(".jpg");
}

} // namespace batch
