#pragma once
// The shrink command's run without its windows: the checks, the folder or single-file
// run, the progress and cancel hand-shake, and the saving of the settings. The main
// window supplies the settings, an observer, its decisions and an event pump; the command
// line and the benchmarks supply their own (batch/RunContract.h).

#include "batch/OutputOptions.h"
#include "batch/RunContract.h"

#include <QString>

#include <cstdint>

namespace batch {

// The controls' values at the moment the command is given.
struct RunRequest {
    QString sourceText;
    QString targetText;
    std::int32_t quality = 80;
    QString sizeText;
    bool includeSubfolders = false;

    // Beyond the window's controls:
    bool trimTexts = true;        // sourceText and targetText were typed into boxes: blanks
                                  // at their ends are dropped (a command line's are names)
    int workers = 0;              // threads of a folder run; 0: one per processor core
    std::int64_t memoryLimit = 0; // bytes the pictures in work may hold together; 0: from
                                  // the memory available (imaging::DefaultMemoryBudget)
    bool saveSettings = true;     // write the job settings to the store after the run
    OutputOptions output;         // the command line's choices; the defaults are the window's
};

enum class RunOutcome {
    Stopped,  // refused, or the overwrite was not confirmed: nothing changed
    Finished, // the run passed its checks and ended (completed or cancelled); settings saved
};

// Runs the shrink command: RunRequest -> the checks -> ConvertPicture per file -> the
// JPEG writer. Questions and refusals go to decisions. The source pictures are never
// written: besides the text checks, a target that is the source (or lies inside the
// source folder) by what the file system says is refused the same way, and each file is
// checked again right before it is written (SourceGuard). The target folder is made (or
// found) and checked before any picture is read; one that cannot be made or written stops
// the run, refused with the folder named. From then on every write goes through the
// folder's open handle, so renaming or swapping a folder on its path cannot redirect one,
// and the target's file system is flushed before the run returns.
//
// A folder run shrinks on request.workers threads, the pictures that need the most memory
// (the largest) first and only as many at once as the memory budget allows, with what
// the user sees kept as on one thread: the statuses in list order, the same bytes, a later
// list entry winning a target name it shares, the progress counting finished files, the
// observer and decisions called on the calling thread in list order (no file starts while
// a decision is open), and a cancel letting the files in work finish. events, when given,
// runs continually while the run waits.
RunOutcome RunShrinkJob(const RunRequest& request, RunObserver& observer, RunDecisions& decisions,
                        const EventPump& events = {});

} // namespace batch
