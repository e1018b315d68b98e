#include "ShellOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace StdModul {

namespace {

ShellOpener& CurrentOpener()
{
    static ShellOpener opener = DesktopOpener();
    return opener;
}

// A text is an address when it starts with a scheme ("https:", "mailto:") and is no
// existing local file that merely holds a colon.
bool IsAddress(const QString& target, QUrl& url)
{
    url = QUrl(target, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1 && !target.startsWith(QLatin1Char('/'))
        && !QFileInfo::exists(target);
}

bool IsProgram(const QFileInfo& file, const QMimeType& type)
{
    if (!file.isFile() || !file.isExecutable())
        return false;
    for (const char* kind : {"application/x-executable", "application/x-sharedlib", "application/x-shellscript"}) {
        if (type.inherits(QLatin1String(kind)))
            return true;
    }
    return false;
}

bool DesktopHasApplication(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        query.kill();
        return true; // the desktop cannot tell; opening will show
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool DesktopLaunch(const QString& target, const QString& parameters, const QString& workingFolder, bool isProgram)
{
    // A working folder that is none (the folder part of a web address) is left out.
    const QString folder = QFileInfo(workingFolder).isDir() ? workingFolder : QString();
    if (isProgram)
        return QProcess::startDetached(target, QProcess::splitCommand(parameters), folder);
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {target}, folder))
        return true;
    QUrl url;
    return QDesktopServices::openUrl(
        IsAddress(target, url) ? url : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

} // namespace

ShellOpener DesktopOpener()
{
    return ShellOpener{DesktopHasApplication, DesktopLaunch};
}

void SetShellOpener(ShellOpener opener)
{
    CurrentOpener() = opener.HasApplication && opener.Launch ? std::move(opener) : DesktopOpener();
}

int ShellExecute(const QString& target, const QString& parameters, const QString& workingFolder)
{
    const ShellOpener& opener = CurrentOpener();
    bool isProgram = false;
    QString opened = target;
    QUrl url;
    if (IsAddress(target, url) && !url.isLocalFile()) {
        if (!opener.HasApplication(QStringLiteral("x-scheme-handler/") + url.scheme().toLower()))
            return ShellResult::kNoAssociation;
    } else {
        // A "file:" address is opened as the file it names.
        const QFileInfo file(url.isLocalFile() ? url.toLocalFile() : target);
        opened = file.filePath();
        if (!file.exists())
            return file.absoluteDir().exists() ? ShellResult::kFileNotFound : ShellResult::kPathNotFound;
        if (!file.isReadable())
            return ShellResult::kAccessDenied;
        const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
        isProgram = IsProgram(file, type);
        if (!isProgram && !opener.HasApplication(type.name()))
            return ShellResult::kNoAssociation;
    }
    return opener.Launch(opened, parameters, workingFolder, isProgram) ? ShellResult::kStarted
                                                                       : ShellResult::kOutOfResources;
}

} // namespace StdModul
