#include "TargetFolder.h"

#include "imaging/AtomicFile.h"
#include "imaging/SystemErrorText.h"

#include <QList>

#include <cerrno>
#include <utility>

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

std::nullopt_t Failed(QString* failure, int error)
{
    Fail(failure, error);
    return std::nullopt;
}

// Enough to use as the folder of *at() calls, even where the folder may not be listed.
constexpr int kLevelFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Opens (creating when missing) the level name below at. An existing level is followed
// when it is a link only with followExisting; a created one never is.
int OpenLevel(int at, const QByteArray& name, bool followExisting)
{
    const int fd = ::openat(at, name.constData(), kLevelFlags | (followExisting ? 0 : O_NOFOLLOW));
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(at, name.constData(), 0777) != 0 && errno != EEXIST)
        return -1;
    return ::openat(at, name.constData(), kLevelFlags | O_NOFOLLOW);
}

// The folder's own handle, readable where the folder allows it (syncfs needs that), and
// refused when no file can be created in it.
int Finish(int level, QString* failure)
{
    if (::faccessat(level, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        Fail(failure, errno);
        return -1;
    }
    const int readable = ::openat(level, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        return ::fcntl(level, F_DUPFD_CLOEXEC, 0);
    return readable;
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
    const bool absolute = path.startsWith('/');
    OwnedFd level(::open(absolute ? "/" : ".", kLevelFlags));
    if (level.Get() < 0)
        return Failed(failure, errno);
    for (const QByteArray& name : path.split('/')) {
        if (name.isEmpty() || name == ".")
            continue;
        const int next = OpenLevel(level.Get(), name, true);
        if (next < 0)
            return Failed(failure, errno);
        level.Reset(next);
    }
    const int fd = Finish(level.Get(), failure);
    if (fd < 0)
        return std::nullopt;
    return TargetFolder(fd, WithSlash(path.isEmpty() ? QByteArray("./") : path));
}

std::optional<TargetFolder> TargetFolder::OpenSubfolder(const QByteArray& relative, QString* failure) const
{
    if (relative.startsWith('/'))
        return Failed(failure, EINVAL);
    OwnedFd level(::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
    if (level.Get() < 0)
        return Failed(failure, errno);
    for (const QByteArray& name : relative.split('/')) {
        if (name.isEmpty())
            continue;
        if (name == "." || name == "..")
            return Failed(failure, EINVAL);
        const int next = OpenLevel(level.Get(), name, false);
        if (next < 0)
            return Failed(failure, errno);
        level.Reset(next);
    }
    const int fd = Finish(level.Get(), failure);
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
