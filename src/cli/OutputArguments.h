#pragma once
// The options that choose what a run writes beyond the window's controls: --mirror,
// --update, --max-size, --format, --filter and --dry-run.

#include "batch/OutputOptions.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace cli {

// True when name (without an attached "=value") is one of these options.
bool IsOutputOption(const QString& name);
// True when that option takes a value.
bool OutputOptionTakesValue(const QString& name);
// Applies the option name (with its value where it takes one) to output. On a bad value
// returns false with error saying what is wrong.
bool ApplyOutputOption(const QString& name, const QString& value, batch::OutputOptions& output, QString& error);

// A byte count as written after --max-size: whole bytes ("300000"), or with K or M
// (1024 and 1024 * 1024 bytes; either case): "500K", "2M". None for anything else, 0 or
// more than 1 GiB.
std::optional<std::int64_t> ReadByteCount(const QString& text);

// The lines --help shows for these options.
QString OutputOptionsUsage();

} // namespace cli
