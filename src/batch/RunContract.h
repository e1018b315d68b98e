#pragma once
// What the shrink run and its front ends (the window, the command line, a benchmark) say
// to each other. The run tells an observer what it does and asks its decisions in typed
// form; each front end turns them into what its user sees: the window into its progress
// window and message boxes (batch/WindowWords.h), the command line into a progress bar,
// lines on stderr and answers from its options.

#include "batch/ConvertJPG.h"

#include <QString>

#include <functional>

namespace batch {

enum class RunKind { Folder, SingleFile };

// What every front end is told, on the thread that called RunShrinkJob.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The run passed its checks and begins its work (the window opens its progress window
    // here). Followed, after the work and the saving of the settings, by RunEnded.
    virtual void RunStarted(RunKind kind) = 0;
    // A folder run found count pictures to shrink.
    virtual void FilesListed(qsizetype count) = 0;
    // One file is handed out to be shrunk (in list order).
    virtual void FileStarted(const QString& source) = 0;
    // One file is done, written or not, with its report (outcome and reason); in list order.
    virtual void FileFinished(const QString& source, const QString& target, const ConvertReport& report) = 0;
    // Fraction (0..1) of the run done: finished files over the list's length.
    virtual void Progress(double fraction) = 0;
    // True once the user asked the run to stop; a folder run lets the files in work finish.
    virtual bool CancelRequested() const = 0;
    virtual void RunEnded() = 0;
};

// Why the run's checks refused a job. Nothing was created, written or stored.
enum class Refusal {
    NoTarget,     // a folder run with an empty target
    SameFolder,   // the target folder is the source folder
    TargetInside, // the target folder lies inside the source folder
    SameFile,     // a single picture's target file is the picture itself
};

// What the run needs decided or acknowledged by its user.
class RunDecisions {
public:
    virtual ~RunDecisions() = default;
    // A single picture's target file exists: true replaces it, false stops the run.
    virtual bool ConfirmOverwrite(const QString& target) = 0;
    // The job was refused (source and target as given).
    virtual void Refused(Refusal reason, const QString& source, const QString& target) = 0;
    // A file was not written (report.cause and report.failure say why; report.messages
    // holds the image engine's own boxes for it). The run goes on when this returns, and
    // no other file starts meanwhile.
    virtual void Failed(const QString& source, const QString& target, const ConvertReport& report) = 0;
    // The target folder could not be made or may not be written into (why, in words):
    // the run stops before any picture is read.
    virtual void TargetUnusable(const QString& folder, const QString& why) = 0;
    // The copies in folder may not all have reached the device (why, in words); the run
    // ends all the same.
    virtual void NotFlushed(const QString& folder, const QString& why) = 0;
};

// Called over and over while the run waits for its workers, and 100 times in a row after
// each finished file of a folder run: the window lets its pending events run there, so
// that "Abbrechen" can act. Answers whether the pass found anything to run: the passes
// after a file end at the first that finds nothing, since the rest would find nothing
// either and, on a machine with as many workers as cores, each one takes a worker's time.
// Optional.
using EventPump = std::function<bool()>;

} // namespace batch
