#include "ShrinkRun.h"

#include "ConvertJPG.h"
#include "FileListScan.h"
#include "JobSettings.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"
#include "support/StdModul.h"

#include <QFile>
#include <QStringList>

#include <filesystem>
#include <system_error>

namespace batch {

namespace {

namespace fs = std::filesystem;

constexpr int kEventPassesPerFile = 100;

const QString kFolderTitle = QStringLiteral("Verzeichnis");

void Refuse(const QString& text)
{
    platform::MessageBox(text, kFolderTitle, platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
}

fs::path ToPath(const QString& text)
{
    return fs::path(platform::EncodeFileName(text).toStdString());
}

enum class Placement { Elsewhere, Same, Inside };

// Where target lies relative to the existing folder source, by what the file system says
// rather than by spelling: "..", ".", symbolic links and letter case on a case-insensitive
// file system all resolve to the same folder. The part of target that does not exist yet
// cannot be a link, so only its existing ancestors are compared.
Placement PlaceOf(const QString& targetText, const QString& sourceText)
{
    std::error_code error;
    const fs::path source = ToPath(sourceText);
    fs::path existing = fs::absolute(ToPath(targetText), error);
    if (error)
        return Placement::Elsewhere;
    bool missingPart = false;
    while (!fs::exists(existing, error)) {
        const fs::path parent = existing.parent_path();
        if (parent == existing)
            return Placement::Elsewhere;
        // A missing "name/.." step cancels out only lexically; keep walking up.
        if (existing.filename() != "." && !existing.filename().empty())
            missingPart = true;
        existing = parent;
    }
    for (fs::path at = existing;; at = at.parent_path()) {
        if (fs::equivalent(at, source, error))
            return at == existing && !missingPart ? Placement::Same : Placement::Inside;
        if (at.parent_path() == at)
            return Placement::Elsewhere;
    }
}

bool SameFile(const QString& a, const QString& b)
{
    std::error_code error;
    return fs::equivalent(ToPath(a), ToPath(b), error);
}

void Prepare(ProgressView& progress, const QString& status)
{
    progress.ClearCancel();
    progress.ShowStatus(status);
    progress.Activate();
}

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
    StdModul::CreateFolderPath(target);
    Prepare(progress, QStringLiteral("Einlesen der Dateiliste."));

    QStringList files;
    Scan(files, source, request.includeSubfolders);
    const qsizetype n = files.size();
    for (qsizetype i = 1; i <= n; ++i) {
        const QString& file = files[i - 1];
        progress.ShowStatus(file);
        ConvertJPG(file, target + StdModul::GetFileName(file), request.quality, sizeText);
        progress.ShowProgress(static_cast<double>(i) / static_cast<double>(n));
        for (int pass = 0; pass < kEventPassesPerFile; ++pass)
            progress.LetEventsRun();
        if (progress.CancelRequested())
            break;
    }

    SaveFolderSettings(request.sourceText, request.targetText, request.includeSubfolders);
    return RunOutcome::Finished;
}

RunOutcome SingleFileRun(const RunRequest& request, const QString& sizeText, ProgressView& progress)
{
    const QString& source = request.sourceText;
    QString target = request.targetText;

    if (StdModul::FolderExists(target) || target.endsWith(StdModul::PathSeparator())) {
        const QString folder = StdModul::AddPathSeparator(target);
        target = folder + StdModul::GetFileName(source);
        if (target.toLower() == source.toLower() || SameFile(target, source))
            target = folder + StdModul::GetBaseName(source) + QStringLiteral("_klein.jpg");
    } else if (target.toLower() == source.toLower() || SameFile(target, source)) {
        Refuse(QStringLiteral("Quell- und Ziel-Datei ist identisch!"));
        return RunOutcome::Stopped;
    }

    if (StdModul::FileExists(target)) {
        const platform::MsgAnswer answer = platform::MessageBox(
            QStringLiteral("Zieldatei existiert.\n\nÜberschreiben?"), QStringLiteral("Verkleinern"),
            platform::MsgIcon::Question, platform::MsgButtons::YesNo);
        if (answer != platform::MsgAnswer::Yes)
            return RunOutcome::Stopped;
    }

    progress.Open();
    StdModul::CreateFolderPath(StdModul::GetFolderPart(target));
    Prepare(progress, StdModul::GetFileName(source));
    ConvertJPG(source, target, request.quality, sizeText);
    progress.ShowProgress(1.0);
    return RunOutcome::Finished;
}

} // namespace

RunOutcome RunShrinkJob(const RunRequest& request, ProgressView& progress)
{
    const QString sizeText = StdModul::TrimBlanks(request.sizeText);
    const RunOutcome outcome = StdModul::FolderExists(request.sourceText)
        ? FolderRun(request, sizeText, progress)
        : SingleFileRun(request, sizeText, progress);
    if (outcome == RunOutcome::Stopped)
        return outcome;

    SaveQualityAndSize(request.quality, request.sizeText);
    progress.Close();
    return outcome;
}

} // namespace batch
