#pragma once
// Replacing a file in one step: the new content goes into a temporary file beside the
// target, which is then renamed over the target name. Readers see the old file or the
// new one, never a part; a failure leaves an existing target untouched. rename()
// replaces the name itself, so a target that is a symbolic link is replaced by the new
// file and what the link pointed to is never written.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <ctime>
#include <initializer_list>

#include <unistd.h>

namespace imaging {

struct ByteSpan {
    const void* data = nullptr;
    std::size_t size = 0;
};

// Writes the parts, in order, as the whole content of the file named name (bytes as the
// file system takes them) in the folder whose handle is folder (AT_FDCWD: the working
// folder), and, when modified is given, sets its modification time. The temporary file
// is created exclusively beside the target, in the same folder, with mode 0666 less the
// umask, and renamed relative to the same handle. A file that replaces an existing one
// is flushed to the device first, so a good earlier copy is never swapped for one whose
// bytes a power cut could still lose. False on failure, with *failure (when given) saying
// why in English ("cannot create the target file: No space left on device"); the
// temporary file is removed then. Safe to call from several threads at once.
bool ReplaceFile(int folder, const QByteArray& name, std::initializer_list<ByteSpan> parts, const timespec* modified,
                 QString* failure);
// The same relative to the working folder.
bool ReplaceFile(const QByteArray& path, std::initializer_list<ByteSpan> parts, const timespec* modified,
                 QString* failure);

// How copies are finished: ReplaceFile's flush and close of the temporary file and
// TargetFolder::Sync's flush of the whole file system. The system's calls unless a test
// or a benchmark puts in its own (a close that fails as on a full quota or a lost network
// share, a flush that counts or does nothing). Returns the calls they replace.
struct FinishCalls {
    int (*fsync)(int fd) = &::fsync;
    int (*close)(int fd) = &::close;
    int (*syncfs)(int fd) = &::syncfs;
};
FinishCalls SetFinishCalls(FinishCalls calls);
// The installed syncfs.
int SyncFileSystem(int fd);

} // namespace imaging
