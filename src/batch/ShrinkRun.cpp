#include "ShrinkRun.h"

#include "batch/ConvertJPG.h"
#include "batch/ExactPaths.h"
#include "batch/FileListScan.h"
#include "batch/FolderWorkers.h"
#include "batch/JobSettings.h"
#include "batch/OutputPaths.h"
#include "batch/ShrinkCopy.h"
#include "batch/SourceGuard.h"
#include "batch/WorkOrder.h"
#include "imaging/PixelMemory.h"
#include "imaging/TargetFolder.h"
#include "platform/FileNames.h"
#include "support/StdModul.h"

#include <QStringList>

#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <vector>

namespace batch {

namespace {

constexpr int kEventPassesPerFile = 100;
// How long the run's thread waits for a worker before letting window events run again:
// short enough that repaints, hover and "Abbrechen" react at once.
constexpr std::chrono::milliseconds kEventInterval{10};

// What the run talks to: the front end's three parts.
struct FrontEnd {
    RunObserver& observer;
    RunDecisions& decisions;
    const EventPump& events;

    // Whether the pass found anything to run.
    bool LetEventsRun() const { return events && events(); }
};

// Opens (creating) the folder the run writes into, or has the front end told why it cannot.
std::optional<imaging::TargetFolder> OpenTarget(const QString& folder, const FrontEnd& front)
{
    QString why;
    std::optional<imaging::TargetFolder> opened = imaging::TargetFolder::Open(platform::EncodeFileName(folder), &why);
    if (!opened)
        front.decisions.TargetUnusable(folder, why);
    return opened;
}

// The copies are on the device before the run says it is done: a stick pulled or a
// power cut right after the end cannot take them back.
void FlushTarget(const imaging::TargetFolder& folder, const QString& shown, const FrontEnd& front)
{
    QString why;
    if (!folder.Sync(&why))
        front.decisions.NotFlushed(shown, why);
}

// A file's shrink, asking the guard right before the write. target is the full path, for
// the user's eyes. With the open target folder (root: its path, ending in "/"), the copy
// is written through its handle, a mirrored copy's subfolders made through it right
// before the guard looks; without (a dry run, which makes and writes nothing), the guard
// judges the path.
ConvertReport ShrinkOne(const RunRequest& request, const QString& sizeText, const SourceGuard& guard,
                        const QString& source, const QString& target, const imaging::TargetFolder* folder,
                        const QString& root)
{
    bool refused = false;
    if (!folder) {
        ConvertReport report = ShrinkCopy(request.output, source, target, request.quality, sizeText, [&] {
            QString refusal = guard.Refusal(target);
            refused = !refusal.isEmpty();
            return refusal;
        });
        if (refused)
            report.cause = FailureCause::SourceInWay;
        return report;
    }
    const QString relative = target.startsWith(root) ? target.mid(root.size()) : FileNameOf(target);
    std::optional<imaging::TargetFolder> subfolder;
    CopyDestination into{folder, FileNameOf(relative)};
    const auto refusal = [&] {
        const QString levels = FolderOf(relative);
        if (!levels.isEmpty()) {
            QString why;
            subfolder = folder->OpenSubfolder(platform::EncodeFileName(levels), &why);
            if (!subfolder) {
                into.folder = nullptr;
                return QStringLiteral("cannot create the target folder: ") + why;
            }
            into.folder = &*subfolder;
        }
        QString refusal = guard.Refusal(*into.folder, into.name);
        refused = !refusal.isEmpty();
        return refusal;
    };
    ConvertReport report = ShrinkCopy(request.output, source, target, request.quality, sizeText, refusal, &into);
    if (refused)
        report.cause = FailureCause::SourceInWay;
    return report;
}

// Tells the front end that a file is done, acknowledging a failure first.
void Report(const FrontEnd& front, const QString& source, const QString& target, const ConvertReport& report)
{
    if (report.Failed())
        front.decisions.Failed(source, target, report);
    front.observer.FileFinished(source, target, report);
}

// Hands the files to the workers and reports them back in list order.
class FolderShrink {
public:
    FolderShrink(const RunRequest& request, const QString& sizeText, const QStringList& files, const QString& source,
                 const QString& target, const imaging::TargetFolder* folder, const FrontEnd& front)
        : request_(request), sizeText_(sizeText), files_(files), target_(target), folder_(folder), front_(front),
          guard_(source), finished_(static_cast<std::size_t>(files.size())),
          budget_(request.memoryLimit > 0 ? request.memoryLimit : imaging::DefaultMemoryBudget())
    {
        // A later file that shares a target with an earlier one waits for it, so the
        // later one is written last, as in a run on one thread.
        std::vector<std::int64_t> needs(static_cast<std::size_t>(files.size()));
        const QString sourceFolder = WithSeparator(source);
        for (qsizetype i = 0; i < files_.size(); ++i) {
            targets_ << TargetPathFor(request_.output, sourceFolder, target_, files_[i]);
            guard_.AddSource(files_[i]);
            needs[static_cast<std::size_t>(i)] = ShrinkMemoryNeed(files_[i], sizeText_);
            if (i % 64 == 63)
                front_.LetEventsRun(); // each header is a read from the disk
        }
        order_.emplace(std::move(needs), EarlierSameTarget(targets_), budget_, WorkOrder::Order::LargestFirst);
    }

    void Run()
    {
        const qsizetype n = files_.size();
        // The workers' pools keep what the budget allows, and give it back at the end.
        const imaging::RunMemory memory(budget_);
        FolderWorkers workers(WorkerCount(request_.workers), [this](const FileTask& task) {
            return ShrinkOne(request_, sizeText_, guard_, task.source, task.target, folder_, target_);
        });
        bool cancelled = false;
        const auto startWhatFits = [&] {
            while (!cancelled && workers.Busy() < workers.Count()) {
                const std::optional<qsizetype> next = order_->TakeNext();
                if (!next)
                    break;
                workers.Start({*next, files_[*next], targets_[*next]});
                ReportStartsInListOrder();
                cancelled = front_.observer.CancelRequested();
            }
        };
        for (;;) {
            startWhatFits();
            if (workers.Busy() == 0 && (cancelled || order_->AllTaken()))
                break;
            std::vector<FileDone> finished = workers.TakeFinished(kEventInterval);
            for (const FileDone& done : finished)
                order_->Finished(done.task.index);
            bool restarted = false;
            for (FileDone& done : finished) {
                ++finishedCount_;
                front_.observer.Progress(static_cast<double>(finishedCount_) / static_cast<double>(n));
                for (int pass = 0; pass < kEventPassesPerFile; ++pass) {
                    const bool ranSomething = front_.LetEventsRun();
                    // Once a stop the user asked for meanwhile has had its chance, the freed
                    // workers get their next files: no worker waits for the progress window.
                    if (!restarted) {
                        restarted = true;
                        cancelled = cancelled || front_.observer.CancelRequested();
                        startWhatFits();
                    }
                    if (!ranSomething)
                        break;
                }
                finished_[static_cast<std::size_t>(done.task.index)] = std::move(done);
            }
            front_.LetEventsRun();
            cancelled = cancelled || front_.observer.CancelRequested();
            ReportInOrder(false);
        }
        ReportInOrder(true);
    }

private:
    // Tells the observer of the files in work in list order: a file is reported started
    // once it and every file before it have started.
    void ReportStartsInListOrder()
    {
        while (startsReported_ < files_.size() && order_->WasTaken(startsReported_))
            front_.observer.FileStarted(files_[startsReported_++]);
    }

    // Reports the finished files at the head of the list, one at a time; no new file
    // starts while a decision is open. At the end, the files a cancel kept from starting
    // are passed over.
    void ReportInOrder(bool end)
    {
        while (reported_ < files_.size()) {
            auto& slot = finished_[static_cast<std::size_t>(reported_)];
            if (!slot) {
                if (end && !order_->WasTaken(reported_)) {
                    ++reported_;
                    continue;
                }
                return;
            }
            FileDone done = std::move(*slot);
            slot.reset();
            ++reported_;
            if (done.error)
                std::rethrow_exception(done.error);
            Report(front_, done.task.source, done.task.target, done.report);
        }
    }

    const RunRequest& request_;
    const QString& sizeText_;
    const QStringList& files_;
    const QString target_;
    const imaging::TargetFolder* folder_; // null on a dry run
    QStringList targets_;                 // where each file is written
    const FrontEnd& front_;
    SourceGuard guard_;
    std::vector<std::optional<FileDone>> finished_;
    imaging::MemoryBudget budget_;
    std::optional<WorkOrder> order_;
    qsizetype startsReported_ = 0;
    qsizetype reported_ = 0;
    qsizetype finishedCount_ = 0;
};

RunOutcome FolderRun(const RunRequest& request, const QString& sourceText, const QString& targetText,
                     const QString& sizeText, const FrontEnd& front)
{
    const QString source = WithSeparator(sourceText);
    const QString target = WithSeparator(targetText);

    // An empty target would put every picture into the current working folder.
    if (target.isEmpty()) {
        front.decisions.Refused(Refusal::NoTarget, sourceText, targetText);
        return RunOutcome::Stopped;
    }
    const Placement placement = PlaceOf(target, source);
    if (target.toLower() == source.toLower() || placement == Placement::Same) {
        front.decisions.Refused(Refusal::SameFolder, sourceText, targetText);
        return RunOutcome::Stopped;
    }
    if (target.toLower().startsWith(source.toLower()) || placement == Placement::Inside) {
        front.decisions.Refused(Refusal::TargetInside, sourceText, targetText);
        return RunOutcome::Stopped;
    }

    // Written where the file system resolves the target: a missing "name/.." is not
    // created, and a relative target means the working folder. Made before any picture
    // is read, so a target that cannot be written costs no work; from here on every write
    // goes through the folder's handle. A dry run makes nothing.
    const QString resolved = ResolvedPath(target);
    std::optional<imaging::TargetFolder> folder;
    if (!request.output.dryRun) {
        folder = OpenTarget(resolved, front);
        if (!folder)
            return RunOutcome::Stopped;
        // The text checks above cannot see a link made since; the handle can.
        const Placement now = SourceGuard(source).PlaceOf(*folder);
        if (now != Placement::Elsewhere) {
            front.decisions.Refused(now == Placement::Same ? Refusal::SameFolder : Refusal::TargetInside, sourceText,
                                    targetText);
            return RunOutcome::Stopped;
        }
    }

    front.observer.RunStarted(RunKind::Folder);
    const QString resolvedTarget = WithSeparator(resolved);
    QStringList files;
    // The target's own pictures are never sources, even when a link leads the scan there.
    struct stat targetId {};
    if (folder && ::fstat(folder->Handle(), &targetId) == 0)
        Scan(files, source, request.includeSubfolders, targetId.st_dev, targetId.st_ino);
    else
        Scan(files, source, request.includeSubfolders, resolvedTarget);
    front.observer.FilesListed(files.size());
    FolderShrink(request, sizeText, files, source, resolvedTarget, folder ? &*folder : nullptr, front).Run();
    if (folder)
        FlushTarget(*folder, resolved, front);

    if (request.saveSettings)
        SaveFolderSettings(request.sourceText, request.targetText, request.includeSubfolders);
    return RunOutcome::Finished;
}

RunOutcome SingleFileRun(const RunRequest& request, const QString& sourceText, const QString& targetText,
                         const QString& sizeText, const FrontEnd& front)
{
    const QString& source = sourceText;
    QString target = targetText;

    if (IsFolder(target) || target.endsWith(u'/')) {
        const QString folder = WithSeparator(target);
        const QString name = FileNameOf(source);
        const QString copyName = OutputFileName(request.output, name);
        target = folder + copyName;
        // A copy that would replace its source, or (a HEIC's JPEG, say) stand beside it
        // under a name of the source's own folder, is named name_klein.jpg there instead.
        const bool besideSource = copyName != name && PlaceOf(folder, FolderOf(source)) == Placement::Same;
        if (target.toLower() == source.toLower() || SameFile(target, source) || besideSource)
            target = folder + OutputFileName(request.output, BaseNameOf(source) + QStringLiteral("_klein.jpg"));
    } else if (target.toLower() == source.toLower() || SameFile(target, source)) {
        front.decisions.Refused(Refusal::SameFile, sourceText, targetText);
        return RunOutcome::Stopped;
    }
    // The folder as the file system resolves it, the name as given: a link standing at
    // the name is replaced, never written through.
    const QString folder = FolderOf(target);
    if (!folder.isEmpty())
        target = WithSeparator(ResolvedPath(folder)) + FileNameOf(target);

    if (StdModul::FileExists(target) && !CopyIsCurrent(request.output, source, target)
        && !front.decisions.ConfirmOverwrite(target))
        return RunOutcome::Stopped;

    // A dry run makes and writes nothing.
    std::optional<imaging::TargetFolder> targetFolder;
    if (!request.output.dryRun) {
        targetFolder = OpenTarget(FolderOf(target), front);
        if (!targetFolder)
            return RunOutcome::Stopped;
    }

    front.observer.RunStarted(RunKind::SingleFile);
    front.observer.FileStarted(source);
    SourceGuard guard;
    guard.AddSource(source);
    const ConvertReport report = ShrinkOne(request, sizeText, guard, source, target,
                                           targetFolder ? &*targetFolder : nullptr, FolderOf(target));
    if (report.Failed())
        front.decisions.Failed(source, target, report);
    if (targetFolder)
        FlushTarget(*targetFolder, FolderOf(target), front);
    front.observer.Progress(1.0);
    front.observer.FileFinished(source, target, report);
    return RunOutcome::Finished;
}

} // namespace

RunOutcome RunShrinkJob(const RunRequest& request, RunObserver& observer, RunDecisions& decisions,
                        const EventPump& events)
{
    const FrontEnd front{observer, decisions, events};
    const QString sizeText = StdModul::TrimBlanks(request.sizeText);
    // Typed texts lose the blanks at their ends; the names inside them, like every name
    // the file system lists, keep theirs.
    const QString source = request.trimTexts ? StdModul::TrimBlanks(request.sourceText) : request.sourceText;
    const QString target = request.trimTexts ? StdModul::TrimBlanks(request.targetText) : request.targetText;
    const RunOutcome outcome = IsFolder(source) ? FolderRun(request, source, target, sizeText, front)
                                                : SingleFileRun(request, source, target, sizeText, front);
    if (outcome == RunOutcome::Stopped)
        return outcome;

    if (request.saveSettings)
        SaveQualityAndSize(request.quality, request.sizeText);
    observer.RunEnded();
    return outcome;
}

} // namespace batch
