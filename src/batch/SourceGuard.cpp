#include "SourceGuard.h"

#include "imaging/TargetFolder.h"
#include "platform/FileNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace batch {

namespace {

namespace fs = std::filesystem;

fs::path ToPath(const QString& text)
{
    return fs::path(platform::EncodeFileName(text).toStdString());
}

QString ToText(const fs::path& path)
{
    return platform::DecodeFileName(QByteArray::fromStdString(path.native()));
}

bool StatOf(const fs::path& path, struct stat& st)
{
    return ::stat(path.c_str(), &st) == 0;
}

// The nearest of path and its ancestors that is the file with identity (dev, ino), or an
// empty path when none is.
fs::path AncestorThatIs(const fs::path& path, dev_t dev, ino_t ino)
{
    for (fs::path at = path;; at = at.parent_path()) {
        struct stat st {};
        if (StatOf(at, st) && st.st_dev == dev && st.st_ino == ino)
            return at;
        if (at == at.parent_path())
            return {};
    }
}

// How the folder open as fd relates to the folder with identity (dev, ino): walked up
// through the handles' own "..", never through a path that may have changed.
Placement HandlePlacement(int fd, dev_t dev, ino_t ino)
{
    int at = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    Placement placement = Placement::Elsewhere;
    for (int level = 0; at >= 0 && level < 4096; ++level) {
        struct stat here {};
        if (::fstat(at, &here) != 0)
            break;
        if (here.st_dev == dev && here.st_ino == ino) {
            placement = level == 0 ? Placement::Same : Placement::Inside;
            break;
        }
        const int parent = ::openat(at, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat up {};
        const bool atRoot = parent < 0 || ::fstat(parent, &up) != 0
            || (up.st_dev == here.st_dev && up.st_ino == here.st_ino);
        ::close(at);
        at = parent;
        if (atRoot)
            break;
    }
    if (at >= 0)
        ::close(at);
    return placement;
}

fs::path Resolved(const QString& text)
{
    std::error_code error;
    fs::path path = fs::absolute(ToPath(text), error);
    if (error)
        return {};
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error)
        return path.lexically_normal();
    // weakly_canonical keeps a trailing separator of a missing path; the folder is meant.
    if (resolved.has_relative_path() && resolved.filename().empty())
        resolved = resolved.parent_path();
    return resolved;
}

} // namespace

QString ResolvedPath(const QString& path)
{
    return path.isEmpty() ? QString() : ToText(Resolved(path));
}

Placement PlaceOf(const QString& target, const QString& folder)
{
    struct stat source {};
    const fs::path resolved = Resolved(target);
    if (resolved.empty() || !StatOf(ToPath(folder), source))
        return Placement::Elsewhere;
    // The missing tail of target cannot be the folder; its existing ancestors may.
    const fs::path match = AncestorThatIs(resolved, source.st_dev, source.st_ino);
    if (match.empty())
        return Placement::Elsewhere;
    return match == resolved ? Placement::Same : Placement::Inside;
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat first {};
    struct stat second {};
    return StatOf(Resolved(a), first) && StatOf(Resolved(b), second) && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

SourceGuard::SourceGuard(const QString& sourceFolder)
{
    struct stat st {};
    if (!sourceFolder.isEmpty() && StatOf(ToPath(sourceFolder), st)) {
        hasFolder_ = true;
        folder_ = {st.st_dev, st.st_ino};
    }
}

void SourceGuard::AddSource(const QString& file)
{
    struct stat st {};
    if (StatOf(ToPath(file), st))
        sources_.insert({st.st_dev, st.st_ino});
}

QString SourceGuard::Refusal(const QString& target) const
{
    const fs::path path = ToPath(target);
    struct stat st {};
    // What stands at the target now, links followed: replacing the entry leaves a linked
    // original alone, but a target that is a source by any name is never written.
    if (StatOf(path, st) && sources_.count({st.st_dev, st.st_ino}))
        return QStringLiteral("refused: the target is one of the source pictures");
    if (!hasFolder_)
        return {};
    // The folder the new entry would land in, as the kernel will resolve it.
    std::error_code error;
    const fs::path folder = fs::canonical(fs::absolute(path, error).parent_path(), error);
    if (error)
        return {}; // no such folder: the write fails on its own and says so
    if (!AncestorThatIs(folder, folder_.first, folder_.second).empty())
        return QStringLiteral("refused: the target lies inside the source folder");
    return {};
}

QString SourceGuard::Refusal(const imaging::TargetFolder& folder, const QString& name) const
{
    struct stat st {};
    if (::fstatat(folder.Handle(), platform::EncodeFileName(name).constData(), &st, 0) == 0
        && sources_.count({st.st_dev, st.st_ino}))
        return QStringLiteral("refused: the target is one of the source pictures");
    if (PlaceOf(folder) != Placement::Elsewhere)
        return QStringLiteral("refused: the target lies inside the source folder");
    return {};
}

Placement SourceGuard::PlaceOf(const imaging::TargetFolder& folder) const
{
    return hasFolder_ ? HandlePlacement(folder.Handle(), folder_.first, folder_.second) : Placement::Elsewhere;
}

} // namespace batch
