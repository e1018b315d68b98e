#include "StdModul.h"

#include "support/ShellOpener.h"

namespace StdModul {

namespace {

QString ShellErrorText(int result)
{
    switch (result) {
    case 2:
        return QStringLiteral("Datei nicht gefunden");
    case 3:
        return QStringLiteral("Verzeichnis nicht gefunden");
    case 5:
        return QStringLiteral("Zugriff verweigert");
    case 8:
        return QStringLiteral("Out of memory");
    case 11:
        return QStringLiteral("Invalid EXE file or error in EXE image");
    case 26:
        return QStringLiteral("A sharing violation occurred");
    case 27:
        return QStringLiteral("Incomplete or invalid file association");
    case 28:
        return QStringLiteral("DDE Time out");
    case 29:
        return QStringLiteral("DDE transaction failed");
    case 30:
        return QStringLiteral("DDE busy");
    case 31:
        return QStringLiteral("Nicht-zugeordnete Datei-Erweiterung");
    case 32:
        return QStringLiteral("DLL not found");
    default:
        return QStringLiteral("Unknown error");
    }
}

} // namespace

QString ShellOpen(QObject* owner, const QString& sTarget, const QString& sParameters)
{
    (void)owner; // the desktop shows its own messages without an owner window
    if (sTarget.isEmpty())
        return QStringLiteral("No Parameter");
    try {
        const int result = ShellExecute(sTarget, sParameters, NormalizeFolder(GetFolderPart(sTarget)));
        return result > 32 ? QString() : ShellErrorText(result);
    } catch (...) {
        // A failed launch shows only in the answer.
        return ShellErrorText(0);
    }
}

} // namespace StdModul
