#pragma once
// A folder that copies are written into, held open by its handle. Everything below it
// (subfolders, temporary files, the renames that put copies in place) is done relative to
// that handle, so renaming the folder or swapping any folder on its path for a link while
// a run writes cannot send a write anywhere else.

#include <QByteArray>
#include <QString>

#include <optional>

namespace imaging {

class TargetFolder {
public:
    // Opens the folder at path (bytes as the file system takes them; relative to the
    // working folder unless absolute), creating every missing level (mode 0777 less the
    // umask). Levels that exist are followed as the file system resolves them, links
    // included, since the user named them; a level this call creates is opened without
    // following links, so a link slipped into its place is refused. Also refuses a folder
    // the program may not create files in. Empty on failure, with *failure (when given)
    // saying why in English ("Read-only file system").
    static std::optional<TargetFolder> Open(const QByteArray& path, QString* failure);

    // The subfolder relative ("a/b", levels separated by "/") below this folder, each
    // missing level created; no level, existing or new, is followed when it is a link,
    // and "." / ".." / an absolute path are refused, so the result always lies inside
    // this folder's tree. Empty on failure, with *failure as for Open.
    std::optional<TargetFolder> OpenSubfolder(const QByteArray& relative, QString* failure) const;

    // Writes what the file system caches for this folder's file system to the device
    // (syncfs). False with *failure when the device reports an error.
    bool Sync(QString* failure) const;

    // The open handle, for the *at() calls; valid for the object's lifetime.
    int Handle() const { return fd_; }
    // The path the folder was opened by (for messages), ending in "/".
    const QByteArray& Path() const { return path_; }

    TargetFolder(TargetFolder&& other) noexcept;
    TargetFolder& operator=(TargetFolder&& other) noexcept;
    TargetFolder(const TargetFolder&) = delete;
    TargetFolder& operator=(const TargetFolder&) = delete;
    ~TargetFolder();

private:
    TargetFolder(int fd, QByteArray path) : fd_(fd), path_(std::move(path)) {}

    int fd_ = -1;
    QByteArray path_;
};

} // namespace imaging
