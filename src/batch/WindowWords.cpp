#include "WindowWords.h"

#include "platform/FileNames.h"
#include "platform/MessageBox.h"
#include "support/StdModul.h"

namespace batch {

QString ListingStatus()
{
    return QStringLiteral("Einlesen der Dateiliste.");
}

QString FileStatus(RunKind kind, const QString& source)
{
    return platform::DisplayFileName(kind == RunKind::Folder ? source : StdModul::GetFileName(source));
}

QString RefusalText(Refusal reason)
{
    switch (reason) {
    case Refusal::NoTarget:
        return QStringLiteral("Kein Ziel-Verzeichnis angegeben!");
    case Refusal::SameFolder:
        return QStringLiteral("Quell- und Ziel-Verzeichnisse sind identisch!");
    case Refusal::TargetInside:
        return QStringLiteral("Ziel-Verzeichnis darf nicht unterhalb des Quell-Verzeichnisses liegen!");
    case Refusal::SameFile:
        break;
    }
    return QStringLiteral("Quell- und Ziel-Datei ist identisch!");
}

namespace {

// A folder as a message names it: without a trailing "/", "." for the working folder.
QString FolderForMessage(const QString& folder)
{
    const QString shown = folder.size() > 1 && folder.endsWith(u'/') ? folder.chopped(1) : folder;
    return platform::DisplayFileName(shown.isEmpty() ? QStringLiteral(".") : shown);
}

} // namespace

QString TargetUnusableText(const QString& folder, const QString& why)
{
    return QStringLiteral("Das Ziel-Verzeichnis\n\n%1\n\nkann nicht angelegt oder beschrieben werden: %2")
        .arg(FolderForMessage(folder), why);
}

QString NotFlushedText(const QString& folder, const QString& why)
{
    return QStringLiteral("Die Kopien im Ziel-Verzeichnis\n\n%1\n\nsind womöglich nicht vollständig gespeichert: %2")
        .arg(FolderForMessage(folder), why);
}

bool MessageBoxDecisions::ConfirmOverwrite(const QString&)
{
    return platform::MessageBox(QStringLiteral("Zieldatei existiert.\n\nÜberschreiben?"), QStringLiteral("Verkleinern"),
                                platform::MsgIcon::Question, platform::MsgButtons::YesNo)
        == platform::MsgAnswer::Yes;
}

void MessageBoxDecisions::Refused(Refusal reason, const QString&, const QString&)
{
    platform::MessageBox(RefusalText(reason), QStringLiteral("Verzeichnis"), platform::MsgIcon::Exclamation,
                         platform::MsgButtons::OK);
}

void MessageBoxDecisions::Failed(const QString&, const QString& target, const ConvertReport& report)
{
    for (const platform::MessageBoxCall& box : report.messages)
        platform::MessageBox(box.text, box.title, box.icon, box.buttons);
    if (report.cause == FailureCause::SourceInWay)
        platform::MessageBox(
            QStringLiteral("Die Zieldatei\n\n%1\n\nwurde nicht geschrieben: sie würde ein Original-Bild ersetzen.")
                .arg(platform::DisplayFileName(target)),
            QStringLiteral("Verkleinern"), platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
}

void MessageBoxDecisions::TargetUnusable(const QString& folder, const QString& why)
{
    platform::MessageBox(TargetUnusableText(folder, why), QStringLiteral("Verzeichnis"), platform::MsgIcon::Exclamation,
                         platform::MsgButtons::OK);
}

void MessageBoxDecisions::NotFlushed(const QString& folder, const QString& why)
{
    platform::MessageBox(NotFlushedText(folder, why), QStringLiteral("Verkleinern"), platform::MsgIcon::Exclamation,
                         platform::MsgButtons::OK);
}

} // namespace batch
