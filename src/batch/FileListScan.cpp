#include "FileListScan.h"

#include "batch/PictureNames.h"
#include "platform/FileAttributes.h"
#include "platform/FileNames.h"
#include "support/StdModul.h"

#include <QFile>
#include <QRegularExpression>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

namespace batch {

namespace {

// A folder's identity on disk, whatever path led to it.
using FolderId = std::pair<dev_t, ino_t>;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Case-insensitive name order, exact order between names that differ only in case, so
// a listing comes out the same on every file system and every run.
bool NameOrder(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

bool IsFolderEntry(const dirent& entry, const QString& fullPath)
{
    switch (entry.d_type) {
    case DT_DIR:
        return true;
    case DT_REG:
        return false;
    default: {
        // Links and file systems that do not say: ask for the attributes.
        const std::int32_t attributes = GetPathAttributes(fullPath);
        return attributes > 0 && (attributes & platform::ATTR_DIRECTORY) != 0;
    }
    }
}

void ScanFolder(QStringList& files, const QString& srcpath, bool subpath, std::set<FolderId>& visited)
{
    struct stat st {};
    if (::stat(platform::EncodeFileName(srcpath).constData(), &st) != 0
        || !visited.insert({st.st_dev, st.st_ino}).second)
        return;

    QStringList names;
    QStringList subfolders;
    ListFolder(srcpath, &names, &subfolders, QStringLiteral("*.*"));
    for (const QString& name : std::as_const(names)) {
        if (IsPictureExtension(GetExtension(name)))
            files.append(srcpath + name);
    }
    if (!subpath)
        return;
    for (const QString& name : std::as_const(subfolders))
        ScanFolder(files, srcpath + name + StdModul::PathSeparator(), true, visited);
}

} // namespace

void Scan(QStringList& files, const QString& srcpath, bool subpath)
{
    std::set<FolderId> visited;
    ScanFolder(files, srcpath, subpath, visited);
}

void Scan(QStringList& files, const QString& srcpath, bool subpath, const QString& skipFolder)
{
    std::set<FolderId> visited;
    // Counted as visited before the scan starts, the folder is never entered.
    struct stat st {};
    if (!skipFolder.isEmpty() && ::stat(platform::EncodeFileName(skipFolder).constData(), &st) == 0)
        visited.insert({st.st_dev, st.st_ino});
    ScanFolder(files, srcpath, subpath, visited);
}

void ListFolder(const QString& path, QStringList* files, QStringList* folders, const QString& pattern)
{
    if (IsAssigned(files))
        ClearCollection(*files);
    if (IsAssigned(folders))
        ClearCollection(*folders);
    const QString base = StdModul::AddPathSeparator(path);
    if (base.isEmpty())
        return;
    const bool everyName = pattern == QLatin1String("*.*") || pattern == QLatin1String("*");
    const QRegularExpression wildcard(everyName ? QString() : QRegularExpression::wildcardToRegularExpression(pattern),
                                      QRegularExpression::CaseInsensitiveOption);

    const std::unique_ptr<DIR, DirCloser> dir(::opendir(platform::EncodeFileName(base).constData()));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = platform::DecodeFileName(QByteArray(entry->d_name));
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (!everyName && !wildcard.match(name).hasMatch())
            continue;
        if (IsFolderEntry(*entry, base + name)) {
            if (IsAssigned(folders))
                folders->append(name);
        } else if (IsAssigned(files)) {
            files->append(name);
        }
    }
    if (IsAssigned(files))
        std::sort(files->begin(), files->end(), NameOrder);
    if (IsAssigned(folders))
        std::sort(folders->begin(), folders->end(), NameOrder);
}

std::int32_t GetPathAttributes(const QString& path)
{
    const QChar sep = StdModul::PathSeparator();
    if (path.endsWith(QString(sep) + QLatin1Char('.')) || path.endsWith(QString(sep) + QLatin1String("..")))
        return -1;
    return platform::GetFileAttributes(path);
}

QString GetExtension(const QString& path)
{
    const QString name = StdModul::GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return name.mid(dot + 1).toLower();
}

bool IsAssigned(const QStringList* list)
{
    return list != nullptr;
}

void ClearCollection(QStringList& list)
{
    list.clear();
}

} // namespace batch
