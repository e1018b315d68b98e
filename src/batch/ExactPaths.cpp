#include "ExactPaths.h"

#include "platform/FileNames.h"

#include <QHash>

#include <dirent.h>
#include <sys/stat.h>

namespace batch {

QString WithSeparator(const QString& path)
{
    return path.isEmpty() || path.endsWith(u'/') ? path : path + u'/';
}

QString FileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderOf(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString BaseNameOf(const QString& path)
{
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? name.mid(dot + 1) : name.left(dot);
}

bool IsFolder(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1String("/.")) || path.endsWith(QLatin1String("/..")))
        return false;
    const QByteArray bytes = platform::EncodeFileName(path);
    struct stat st {};
    if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    DIR* listing = ::opendir(bytes.constData());
    if (!listing)
        return false;
    ::closedir(listing);
    return true;
}

std::vector<qsizetype> EarlierSameTarget(const QStringList& names)
{
    std::vector<qsizetype> earlier(static_cast<std::size_t>(names.size()), -1);
    QHash<QString, qsizetype> latest;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString key = names[i].toCaseFolded();
        earlier[static_cast<std::size_t>(i)] = latest.value(key, -1);
        latest.insert(key, i);
    }
    return earlier;
}

} // namespace batch
