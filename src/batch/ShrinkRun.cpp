#include "ShrinkRun.h"

#include "batch/ConvertJPG.h"
#include "batch/FileListScan.h"
#include "batch/FolderWorkers.h"
#include "batch/JobSettings.h"
#include "batch/OutputPaths.h"
#include "batch/ShrinkCopy.h"
#include "batch/SourceGuard.h"
#include "batch/WorkOrder.h"
#include "imaging/PixelMemory.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"
#include "support/StdModul.h"

#include <QHash>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace batch {

namespace {

constexpr int kEventPassesPerFile = 100;
// How long the run's thread waits for a worker before letting window events run again:
// short enough that repaints, hover and "Abbrechen" react at once.
constexpr std::chrono::milliseconds kEventInterval{10};

const QString kFolderTitle = QStringLiteral("Verzeichnis");

void Refuse(const QString& text)
{
    platform::MessageBox(text, kFolderTitle, platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
}

// Tells the user that a file was left unwritten to keep a source picture safe.
void TellRefused(const QString& target)
{
    platform::MessageBox(
        QStringLiteral("Die Zieldatei\n\n%1\n\nwurde nicht geschrieben: sie würde ein Original-Bild ersetzen.")
            .arg(platform::DisplayFileName(target)),
        QStringLiteral("Verkleinern"), platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
}

// A file's shrink, asking the guard right before the write.
ConvertReport ShrinkOne(const RunRequest& request, const QString& sizeText, const SourceGuard& guard,
                        const QString& source, const QString& target)
{
    return ShrinkCopy(request.output, source, target, request.quality, sizeText, [&] {
        QString refusal = guard.Refusal(target);
        if (!refusal.isEmpty())
            TellRefused(target);
        return refusal;
    });
}

void Prepare(ProgressView& progress, const QString& status)
{
    progress.ClearCancel();
    progress.ShowStatus(status);
    progress.Activate();
}

// Hands the files to the workers and reports them back in list order.
class FolderShrink {
public:
    FolderShrink(const RunRequest& request, const QString& sizeText, const QStringList& files, const QString& target,
                 ProgressView& progress)
        : request_(request), sizeText_(sizeText), files_(files), target_(target), progress_(progress),
          finished_(static_cast<std::size_t>(files.size())),
          budget_(request.memoryLimit > 0 ? request.memoryLimit : imaging::DefaultMemoryBudget())
    {
        // A later file that shares a target with an earlier one waits for it, so the
        // later one is written last, as in a run on one thread.
        std::vector<qsizetype> previousSameTarget(static_cast<std::size_t>(files.size()), -1);
        std::vector<std::int64_t> needs(static_cast<std::size_t>(files.size()));
        QHash<QString, qsizetype> lastWithTarget;
        const QString sourceFolder = StdModul::AddPathSeparator(request_.sourceText);
        for (qsizetype i = 0; i < files_.size(); ++i) {
            targets_ << TargetPathFor(request_.output, sourceFolder, target_, files_[i]);
            previousSameTarget[static_cast<std::size_t>(i)] = lastWithTarget.value(targets_[i], -1);
            lastWithTarget.insert(targets_[i], i);
            guard_.AddSource(files_[i]);
            needs[static_cast<std::size_t>(i)] = ShrinkMemoryNeed(files_[i], sizeText_);
            if (i % 64 == 63)
                progress_.LetEventsRun(); // each header is a read from the disk
        }
        order_.emplace(std::move(needs), std::move(previousSameTarget), budget_, WorkOrder::Order::LargestFirst);
    }

    void Run()
    {
        const qsizetype n = files_.size();
        // The workers' pools keep what the budget allows, and give it back at the end.
        const imaging::RunMemory memory(budget_);
        FolderWorkers workers(WorkerCount(request_.workers), [this](const FileTask& task) {
            return ShrinkOne(request_, sizeText_, guard_, task.source, task.target);
        });
        bool cancelled = false;
        for (;;) {
            while (!cancelled && workers.Busy() < workers.Count()) {
                const std::optional<qsizetype> next = order_->TakeNext();
                if (!next)
                    break;
                workers.Start({*next, files_[*next], targets_[*next]});
                ShowStatusesInListOrder();
                cancelled = progress_.CancelRequested();
            }
            if (workers.Busy() == 0 && (cancelled || order_->AllTaken()))
                break;
            for (FileDone& done : workers.TakeFinished(kEventInterval)) {
                ++finishedCount_;
                order_->Finished(done.task.index);
                progress_.ShowProgress(static_cast<double>(finishedCount_) / static_cast<double>(n));
                for (int pass = 0; pass < kEventPassesPerFile; ++pass)
                    progress_.LetEventsRun();
                finished_[static_cast<std::size_t>(done.task.index)] = std::move(done);
            }
            progress_.LetEventsRun();
            cancelled = cancelled || progress_.CancelRequested();
            ReportInOrder(false);
        }
        ReportInOrder(true);
    }

private:
    // Names the files in work as the status, in list order: a file is named once it and
    // every file before it have started.
    void ShowStatusesInListOrder()
    {
        while (statusShown_ < files_.size() && order_->WasTaken(statusShown_))
            progress_.ShowStatus(platform::DisplayFileName(files_[statusShown_++]));
    }

    // Shows what the finished files at the head of the list asked for, one box at a
    // time; no new file starts while a box is open. At the end, the files a cancel
    // kept from starting are passed over.
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
            if (request_.showFileMessages) {
                for (const platform::MessageBoxCall& box : done.messages)
                    platform::MessageBox(box.text, box.title, box.icon, box.buttons);
            }
            progress_.FileFinished(done.task.source, done.task.target, done.report);
        }
    }

    const RunRequest& request_;
    const QString& sizeText_;
    const QStringList& files_;
    const QString target_;
    QStringList targets_; // where each file is written
    ProgressView& progress_;
    SourceGuard guard_{StdModul::AddPathSeparator(request_.sourceText)};
    std::vector<std::optional<FileDone>> finished_;
    imaging::MemoryBudget budget_;
    std::optional<WorkOrder> order_;
    qsizetype statusShown_ = 0;
    qsizetype reported_ = 0;
    qsizetype finishedCount_ = 0;
};

RunOutcome FolderRun(const RunRequest& request, const QString& sizeText, ProgressView& progress)
{
    const QString source = StdModul::AddPathSeparator(request.sourceText);
    const QString target = StdModul::AddPathSeparator(request.targetText);

    // An empty target would put every picture into the current working folder.
    if (target.isEmpty()) {
        Refuse(QStringLiteral("Kein Ziel-Verzeichnis angegeben!"));
        return RunOutcome::Stopped;
    }
    const Placement placement = PlaceOf(target, source);
    if (target.toLower() == source.toLower() || placement == Placement::Same) {
        Refuse(QStringLiteral("Quell- und Ziel-Verzeichnisse sind identisch!"));
        return RunOutcome::Stopped;
    }
    if (target.toLower().startsWith(source.toLower()) || placement == Placement::Inside) {
        Refuse(QStringLiteral("Ziel-Verzeichnis darf nicht unterhalb des Quell-Verzeichnisses liegen!"));
        return RunOutcome::Stopped;
    }

    progress.Open();
    // Written where the file system resolves the target: a missing "name/.." is not
    // created, and a relative target means the working folder.
    const QString resolvedTarget = StdModul::AddPathSeparator(ResolvedPath(target));
    CreateTargetFolder(request.output, resolvedTarget);
    Prepare(progress, QStringLiteral("Einlesen der Dateiliste."));

    QStringList files;
    // The target's own pictures are never sources, even when a link leads the scan there.
    Scan(files, source, request.includeSubfolders, resolvedTarget);
    progress.FilesListed(files.size());
    FolderShrink(request, sizeText, files, resolvedTarget, progress).Run();

    if (request.saveSettings)
        SaveFolderSettings(request.sourceText, request.targetText, request.includeSubfolders);
    return RunOutcome::Finished;
}

RunOutcome SingleFileRun(const RunRequest& request, const QString& sizeText, ProgressView& progress)
{
    const QString& source = request.sourceText;
    QString target = request.targetText;

    if (StdModul::FolderExists(target) || target.endsWith(StdModul::PathSeparator())) {
        const QString folder = StdModul::AddPathSeparator(target);
        const QString name = StdModul::GetFileName(source);
        const QString copyName = OutputFileName(request.output, name);
        target = folder + copyName;
        // A copy that would replace its source, or (a HEIC's JPEG, say) stand beside it
        // under a name of the source's own folder, is named name_klein.jpg there instead.
        const bool besideSource = copyName != name
            && PlaceOf(folder, StdModul::GetFolderPart(source)) == Placement::Same;
        if (target.toLower() == source.toLower() || SameFile(target, source) || besideSource)
            target = folder
                + OutputFileName(request.output, StdModul::GetBaseName(source) + QStringLiteral("_klein.jpg"));
    } else if (target.toLower() == source.toLower() || SameFile(target, source)) {
        Refuse(QStringLiteral("Quell- und Ziel-Datei ist identisch!"));
        return RunOutcome::Stopped;
    }
    // The folder as the file system resolves it, the name as given: a link standing at
    // the name is replaced, never written through.
    const QString folder = StdModul::GetFolderPart(target);
    if (!folder.isEmpty() || target.startsWith(StdModul::PathSeparator()))
        target = StdModul::AddPathSeparator(ResolvedPath(folder.isEmpty() ? StdModul::PathSeparator() : folder))
            + StdModul::GetFileName(target);

    if (StdModul::FileExists(target) && !CopyIsCurrent(request.output, source, target)) {
        const platform::MsgAnswer answer = platform::MessageBox(
            QStringLiteral("Zieldatei existiert.\n\nÜberschreiben?"), QStringLiteral("Verkleinern"),
            platform::MsgIcon::Question, platform::MsgButtons::YesNo);
        if (answer != platform::MsgAnswer::Yes)
            return RunOutcome::Stopped;
    }

    progress.Open();
    CreateTargetFolder(request.output, StdModul::GetFolderPart(target));
    Prepare(progress, platform::DisplayFileName(StdModul::GetFileName(source)));
    SourceGuard guard;
    guard.AddSource(source);
    std::optional<platform::ThreadMessageBoxPresenter> silence;
    if (!request.showFileMessages)
        silence.emplace([](const platform::MessageBoxCall&) { return platform::MsgAnswer::OK; });
    const ConvertReport report = ShrinkOne(request, sizeText, guard, source, target);
    silence.reset();
    progress.ShowProgress(1.0);
    progress.FileFinished(source, target, report);
    return RunOutcome::Finished;
}

} // namespace

RunOutcome RunShrinkJob(const RunRequest& request, ProgressView& progress)
{
    const QString sizeText = StdModul::TrimBlanks(request.sizeText);
    const RunOutcome outcome = StdModul::FolderExists(request.sourceText) ? FolderRun(request, sizeText, progress)
                                                                          : SingleFileRun(request, sizeText, progress);
    if (outcome == RunOutcome::Stopped)
        return outcome;

    if (request.saveSettings)
        SaveQualityAndSize(request.quality, request.sizeText);
    progress.Close();
    return outcome;
}

} // namespace batch
