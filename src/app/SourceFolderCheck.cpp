#include "SourceFolderCheck.h"

#include "platform/FileNames.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace app {

namespace {

QString ReasonOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Berechtigung");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("zu viele offene Dateien");
    case ENOMEM:
        return QStringLiteral("nicht genug Speicher");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    case ELOOP:
        return QStringLiteral("zu viele verkettete Verknüpfungen");
    default:
        return QStringLiteral("Systemfehler %1").arg(error);
    }
}

} // namespace

QString UnreadableFolderReason(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QByteArray name = platform::EncodeFileName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    DIR* listing = ::opendir(name.constData());
    if (listing) {
        ::closedir(listing);
        return {};
    }
    return ReasonOf(errno);
}

QString UnreadableFolderText(const QString& path, const QString& reason)
{
    return QStringLiteral("Das Verzeichnis %1 kann nicht gelesen werden: %2.")
        .arg(platform::DisplayFileName(path), reason);
}

} // namespace app
