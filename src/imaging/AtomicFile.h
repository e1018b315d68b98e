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

namespace imaging {

struct ByteSpan {
    const void* data = nullptr;
    std::size_t size = 0;
};

// Writes the parts, in order, as the whole content of the file named path (bytes as the
// file system takes them) and, when modified is given, sets its modification time.
// The temporary file is created exclusively in the target's folder with mode 0666 less
// the umask. False on failure, with *failure (when given) saying why in English
// ("cannot create the target file: No space left on device"); the temporary file is
// removed then. Safe to call from several threads at once.
bool ReplaceFile(const QByteArray& path, std::initializer_list<ByteSpan> parts, const timespec* modified,
                 QString* failure);

} // namespace imaging
