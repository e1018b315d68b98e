#pragma once
// What zimbrel-shrink was asked to do, read from its arguments.

#include "batch/JobSettings.h"
#include "batch/OutputOptions.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace cli {

struct CommandLineOptions {
    QString source; // a folder or one picture
    QString target; // read as the window reads its target box
    QString size = batch::kDefaultSize;
    std::int32_t quality = batch::kDefaultQuality;
    bool subfolders = false;
    int jobs = 0;                 // 0: one worker per core
    std::int64_t memoryLimit = 0; // bytes; 0: from the memory available
    bool overwrite = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    batch::OutputOptions output; // --mirror, --update, --max-size, --format, --filter, --dry-run

    bool operator==(const CommandLineOptions&) const = default;
};

// The arguments after the program name: options anywhere, "--" ends them. On a usage
// error returns false with error saying what is wrong.
bool ParseCommandLine(const QStringList& arguments, CommandLineOptions& options, QString& error);

// The text --help prints.
QString UsageText();

} // namespace cli
