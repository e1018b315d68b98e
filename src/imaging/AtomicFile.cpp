#include "AtomicFile.h"

#include "imaging/SystemErrorText.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

std::atomic<int (*)(int)> fsyncCall{&::fsync};
std::atomic<int (*)(int)> closeCall{&::close};
std::atomic<int (*)(int)> syncfsCall{&::syncfs};

// A name no one else picks: a hidden file with 64 random bits, so a crash leaves at most
// an invisible stray and two writers into one folder never meet.
QByteArray TemporaryName(const QByteArray& path)
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : path.left(slash + 1);
    return folder + ".jpeg-" + QByteArray::number(static_cast<qulonglong>(generator()), 16) + ".part";
}

bool WriteAll(int fd, const ByteSpan& part)
{
    const auto* at = static_cast<const std::uint8_t*>(part.data);
    std::size_t left = part.size;
    while (left > 0) {
        const ssize_t written = ::write(fd, at, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC; // a regular file takes no bytes only when the device is full
            return false;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool Fail(QString* failure, const char* what, int error)
{
    if (failure)
        *failure = QString::fromLatin1(what) + QStringLiteral(": ") + SystemErrorText(error);
    return false;
}

} // namespace

FinishCalls SetFinishCalls(FinishCalls calls)
{
    FinishCalls previous;
    previous.fsync = fsyncCall.exchange(calls.fsync ? calls.fsync : &::fsync);
    previous.close = closeCall.exchange(calls.close ? calls.close : &::close);
    previous.syncfs = syncfsCall.exchange(calls.syncfs ? calls.syncfs : &::syncfs);
    return previous;
}

int SyncFileSystem(int fd)
{
    return syncfsCall.load()(fd);
}

bool ReplaceFile(const QByteArray& path, std::initializer_list<ByteSpan> parts, const timespec* modified,
                 QString* failure)
{
    return ReplaceFile(AT_FDCWD, path, parts, modified, failure);
}

bool ReplaceFile(int folder, const QByteArray& path, std::initializer_list<ByteSpan> parts, const timespec* modified,
                 QString* failure)
{
    if (path.isEmpty() || path.endsWith('/')) {
        if (failure)
            *failure = QStringLiteral("cannot create the target file: no file name");
        return false;
    }
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryName(path);
        fd = ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (fd < 0)
        return Fail(failure, "cannot create the target file", errno);

    const char* step = nullptr;
    for (const ByteSpan& part : parts) {
        if (!WriteAll(fd, part)) {
            step = "cannot write the target file";
            break;
        }
    }
    int error = errno;
    // Set on the open file, before the rename, so the file never shows under its name
    // with the wrong date.
    if (!step && modified) {
        const timespec times[2] = {{0, UTIME_NOW}, *modified};
        if (::futimens(fd, times) != 0) {
            step = "cannot set the modification time of the target file";
            error = errno;
        }
    }
    // Only a file that replaces another needs to be on the device before its rename: a new
    // name that a power cut loses costs nothing that was there before.
    struct stat existing {};
    if (!step && ::fstatat(folder, path.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0
        && fsyncCall.load()(fd) != 0) {
        step = "cannot write the target file";
        error = errno;
    }
    // close reports write errors that show only at the end (NFS, quota).
    if (closeCall.load()(fd) != 0 && !step && errno != EINTR) {
        step = "cannot write the target file";
        error = errno;
    }
    if (!step && ::renameat(folder, temporary.constData(), folder, path.constData()) != 0) {
        step = "cannot rename the temporary file to the target name";
        error = errno;
    }
    if (step) {
        ::unlinkat(folder, temporary.constData(), 0);
        return Fail(failure, step, error);
    }
    return true;
}

} // namespace imaging
