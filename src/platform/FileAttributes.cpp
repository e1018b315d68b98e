#include "FileAttributes.h"

#include "platform/FileNames.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::int32_t GetFileAttributes(const QString& sPath)
{
    if (sPath.isEmpty())
        return -1;
    const QByteArray encoded = EncodeFileName(sPath);
    struct stat st {};
    if (::stat(encoded.constData(), &st) != 0)
        return -1;
    std::int32_t attributes = S_ISDIR(st.st_mode) ? ATTR_DIRECTORY : ATTR_ARCHIVE;
    if (::access(encoded.constData(), W_OK) != 0)
        attributes |= ATTR_READONLY;
    const qsizetype slash = sPath.lastIndexOf(QLatin1Char('/'));
    if (sPath.mid(slash + 1).startsWith(QLatin1Char('.')))
        attributes |= ATTR_HIDDEN;
    return attributes;
}

} // namespace platform
