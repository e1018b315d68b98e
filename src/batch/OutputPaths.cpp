#include "OutputPaths.h"

#include "batch/PictureNames.h"
#include "platform/FileNames.h"
#include "support/StdModul.h"

#include <sys/stat.h>

namespace batch {

namespace {

bool ModificationTime(const QString& path, timespec& time)
{
    struct stat info {};
    if (::stat(platform::EncodeFileName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    time = info.st_mtim;
    return true;
}

} // namespace

QString OutputFileName(const OutputOptions& options, const QString& name)
{
    if (options.format != OutputFormat::WebP)
        return CopyName(name);
    return StdModul::GetBaseName(name) + QStringLiteral(".webp");
}

QString TargetPathFor(const OutputOptions& options, const QString& sourceFolder, const QString& targetFolder,
                      const QString& file)
{
    const QString name = OutputFileName(options, StdModul::GetFileName(file));
    if (!options.mirror || !file.startsWith(sourceFolder))
        return targetFolder + name;
    // The folders between, exactly as listed (no trimming: a folder may begin with a blank).
    const QString relative = file.mid(sourceFolder.size());
    return targetFolder + relative.left(relative.lastIndexOf(StdModul::PathSeparator()) + 1) + name;
}

void CreateTargetFolder(const OutputOptions& options, const QString& folder)
{
    if (!options.dryRun)
        StdModul::CreateFolderPath(folder);
}

bool CopyIsCurrent(const OutputOptions& options, const QString& source, const QString& target)
{
    if (!options.update)
        return false;
    timespec sourceTime{};
    timespec targetTime{};
    return ModificationTime(source, sourceTime) && ModificationTime(target, targetTime)
        && sourceTime.tv_sec == targetTime.tv_sec && sourceTime.tv_nsec == targetTime.tv_nsec;
}

} // namespace batch
