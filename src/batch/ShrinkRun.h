#pragma once
// The shrink command's run without its windows: the checks, the folder or single-file
// run, the progress and cancel hand-shake, and the saving of the settings. The main
// window supplies the settings and a progress view; a command-line driver or a benchmark
// can supply its own.

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
};

// The controls' values at the moment the command is given.
struct RunRequest {
    QString sourceText;
    QString targetText;
    std::int32_t quality = 80;
    QString sizeText;
    bool includeSubfolders = false;
};

enum class RunOutcome {
    Stopped,  // a check failed or the overwrite question was answered No: nothing changed
    Finished, // the run passed its checks and ended (completed or cancelled); settings saved
};

// Runs the shrink command. Questions and refusals go through platform::MessageBox. The
// source pictures are never written: besides the text checks, a target that is the source
// (or lies inside the source folder) under another spelling is refused the same way.
RunOutcome RunShrinkJob(const RunRequest& request, ProgressView& progress);

} // namespace batch
