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

} // namespace batch
