#include "TargetFolder.h"

#include "imaging/AtomicFile.h"
#include "imaging/SystemErrorText.h"

#include <QList>

#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

// A handle that is closed unless handed on.
class OwnedFd {
public:
    explicit OwnedFd(int fd = -1) : fd_(fd) {}
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    ~OwnedFd() { Reset(-1); }
    void Reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool Fail(QString* failure, int error)
{
    if (failure)
        *failure = SystemErrorText(error);
    return false;
}

int NoHandle(QString* failure, int error)
{
    Fail(failure, error);
    return -1;
}

// Enough to use as the folder of *at() calls, even where the folder may not be listed.
constexpr int kLevelFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// The levels one opening made, removed again (newest first) unless the opening succeeds,
// so a target that cannot be used leaves the tree as it was.
class MadeLevels {
public:
    MadeLevels() = default;
    MadeLevels(const MadeLevels&) = delete;
    MadeLevels& operator=(const MadeLevels&) = delete;
    ~MadeLevels()
    {
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
            if (!kept_)
                ::unlinkat(level->first, level->second.constData(), AT_REMOVEDIR);
            ::close(level->first);
        }
    }
    void Add(int parent, const QByteArray& name)
    {
        const int fd = ::fcntl(parent, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            levels_.emplace_back(fd, name);
    }
    void Keep() { kept_ = true; }

private:
    std::vector<std::pair<int, QByteArray>> levels_;
    bool kept_ = false;
};

// Opens (creating when missing) the level name below at. An existing level is followed
// when it is a link only with followExisting; a created one never is.
int OpenLevel(int at, const QByteArray& name, bool followExisting, MadeLevels& made)
{
    const int fd = ::openat(at, name.constData(), kLevelFlags | (followExisting ? 0 : O_NOFOLLOW));
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(at, name.constData(), 0777) == 0)
        made.Add(at, name);
    else if (errno != EEXIST)
        return -1;
    return ::openat(at, name.constData(), kLevelFlags | O_NOFOLLOW);
}

// Walks the levels of path down from start (which it takes over), creating what is
// missing, and returns the last level's own handle: readable where the folder allows it
// (syncfs needs that), and refused when no file can be created in it. -1 on failure, with
// every level made on the way removed again. inTree: links are never followed and "."
// and ".." are refused.
int OpenPath(int start, const QByteArray& path, bool inTree, QString* failure)
{
    OwnedFd level(start);
    if (level.Get() < 0)
        return NoHandle(failure, errno);
    MadeLevels made;
    for (const QByteArray& name : path.split('/')) {
        if (name.isEmpty() || (!inTree && name == "."))
            continue;
        if (inTree && (name == "." || name == ".."))
            return NoHandle(failure, EINVAL);
        const int next = OpenLevel(level.Get(), name, !inTree, made);
        if (next < 0)
            return NoHandle(failure, errno);
        level.Reset(next);
    }
    if (::faccessat(level.Get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return NoHandle(failure, errno);
    int fd = ::openat(level.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fd = level.Release();
    made.Keep();
    return fd;
}

QByteArray WithSlash(QByteArray path)
{
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

} // namespace

std::optional<TargetFolder> TargetFolder::Open(const QByteArray& path, QString* failure)
{
    const int fd = OpenPath(::open(path.startsWith('/') ? "/" : ".", kLevelFlags), path, false, failure);
    if (fd < 0)
        return std::nullopt;
    return TargetFolder(fd, WithSlash(path.isEmpty() ? QByteArray("./") : path));
}

std::optional<TargetFolder> TargetFolder::OpenSubfolder(const QByteArray& relative, QString* failure) const
{
    if (relative.startsWith('/')) {
        Fail(failure, EINVAL);
        return std::nullopt;
    }
    const int fd = OpenPath(::fcntl(fd_, F_DUPFD_CLOEXEC, 0), relative, true, failure);
    if (fd < 0)
        return std::nullopt;
    return TargetFolder(fd, path_ + WithSlash(relative));
}

bool TargetFolder::Sync(QString* failure) const
{
    if (SyncFileSystem(fd_) == 0)
        return true;
    // A folder that could not be opened for reading gives a handle syncfs does not take.
    if (errno == EBADF) {
        ::sync();
        return true;
    }
    return Fail(failure, errno);
}

TargetFolder::TargetFolder(TargetFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_))
{
}

TargetFolder& TargetFolder::operator=(TargetFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

TargetFolder::~TargetFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace imaging
