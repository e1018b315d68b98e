#pragma once
// The shrink command's run without its windows: the checks, the folder or single-file
// run, the progress and cancel hand-shake, and the saving of the settings. The main
// window supplies the settings and a progress view; the command line and the benchmarks
// supply their own. Questions and messages reach the user through
// platform::MessageBox, whose presenter the front end installs.

#include "batch/ConvertJPG.h"
#include "batch/OutputOptions.h"

#include <QString>

#include <cstdint>

namespace batch {

// What the run needs from the progress window.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    // Creates the window and shows it modeless.
    virtual void Open() = 0;
    // Empties the cancel marker.
    virtual void ClearCancel() = 0;
    // Shows text as the current step and repaints at once.
    virtual void ShowStatus(const QString& text) = 0;
    // Shows the window again, activating it.
    virtual void Activate() = 0;
    // Fills the bar from its left edge to fraction (0..1) of its width.
    virtual void ShowProgress(double fraction) = 0;
    // Lets pending window events run once.
    virtual void LetEventsRun() = 0;
    // True once the user asked the run to stop.
    virtual bool CancelRequested() const = 0;
    // Closes the window.
    virtual void Close() = 0;

    // The folder run found count pictures to shrink.
    virtual void FilesListed(qsizetype count) {}
    // One file is done (written or not), called in list order.
    virtual void FileFinished(const QString& source, const QString& target, const ConvertReport& report) {}
};

// The controls' values at the moment the command is given.
struct RunRequest {
    QString sourceText;
    QString targetText;
    std::int32_t quality = 80;
    QString sizeText;
    bool includeSubfolders = false;

    // Beyond the window's controls:
    int workers = 0;              // threads of a folder run; 0: one per processor core
    std::int64_t memoryLimit = 0; // bytes the pictures in work may hold together; 0: from
                                  // the memory available (imaging::DefaultMemoryBudget)
    bool saveSettings = true;     // write the job settings to the store after the run
    bool showFileMessages = true; // show the boxes of each file's shrink (a command line
                                  // prints FileFinished's reasons instead)
    OutputOptions output;         // the command line's choices; the defaults are the window's
};

enum class RunOutcome {
    Stopped,  // a check failed or the overwrite question was answered No: nothing changed
    Finished, // the run passed its checks and ended (completed or cancelled); settings saved
};

// Runs the shrink command. Questions and refusals go through platform::MessageBox. The
// source pictures are never written: besides the text checks, a target that is the source
// (or lies inside the source folder) by what the file system says is refused the same
// way, and each file is checked again right before it is written (SourceGuard).
//
// A folder run shrinks on request.workers threads, the pictures that need the most memory
// (the largest) first and only as many at once as the memory budget allows, with what
// the user sees kept as on one thread: the statuses in list order, the same bytes, a later list entry winning a target
// name it shares, the progress counting finished files, the boxes shown on the calling thread one at a time in list
// order (no file starts while one is open), and a cancel letting the files in work
// finish. Window events run continually while it waits.
RunOutcome RunShrinkJob(const RunRequest& request, ProgressView& progress);

} // namespace batch
