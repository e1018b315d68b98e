#pragma once
// Where a run's copies go and whether one is still current: the names and folders the
// output options ask for.

#include "batch/OutputOptions.h"

#include <QString>

namespace batch {

// The name a copy of a picture named name gets: its JPEG copy name (CopyName), or for
// WebP output its base name with ".webp" ("a.JPG" gives "a.webp").
QString OutputFileName(const OutputOptions& options, const QString& name);

// Where a folder run writes file, a picture found below sourceFolder (both as the scan
// gives them: the folder ends in a separator and file starts with it): targetFolder plus
// its name, or with mirror its path below sourceFolder ("S/2024/Mai/a.jpg" gives
// "T/2024/Mai/a.jpg").
QString TargetPathFor(const OutputOptions& options, const QString& sourceFolder, const QString& targetFolder,
                      const QString& file);

// Creates folder level by level where it is missing; nothing on a dry run. Failures are
// not reported here: the write into the folder then fails with its own cause.
void CreateTargetFolder(const OutputOptions& options, const QString& folder);

// True when update is asked for and target exists with exactly source's modification
// time, so it was made from this version of the picture. Reads no picture data.
bool CopyIsCurrent(const OutputOptions& options, const QString& source, const QString& target);

} // namespace batch
