#pragma once
// Keeping a run's writes out of its sources. Path texts cannot tell where a write lands:
// links, "..", a missing "name/.." that cancels out once created, a second hard link and
// mount points all lead elsewhere than the text says. These checks ask the file system
// (device and inode) instead, once before a run and again right before each file is
// written, so a target that changed under the run is caught as well.

#include <QString>

#include <sys/types.h>

#include <set>
#include <utility>

namespace imaging {
class TargetFolder;
}

namespace batch {

// A path as the file system resolves it, absolute: links and ".." in its existing part
// are followed, the missing rest is normalised as text (the folders the run creates
// there are real folders, so "missing/.." cancels out exactly as it will on disk). No
// trailing separator but for "/". Empty text gives empty text.
QString ResolvedPath(const QString& path);

enum class Placement {
    Elsewhere,
    Same,   // target is the folder itself
    Inside, // target lies somewhere below the folder
};

// Where target (existing or not) lies relative to the existing folder, by what the
// file system says.
Placement PlaceOf(const QString& target, const QString& folder);

// True when both paths resolve to one existing file (also through links or hard links).
bool SameFile(const QString& a, const QString& b);

// The guard a run asks before each write.
class SourceGuard {
public:
    // sourceFolder: a folder run's source folder; empty for a single-file run.
    explicit SourceGuard(const QString& sourceFolder = {});

    // Registers a picture the run reads. Not safe while Refusal runs on other threads:
    // register every source first.
    void AddSource(const QString& file);

    // Why target must not be written now, in words, or empty text when it may: it is one
    // of the sources (by a link, a hard link or another spelling), or the folder it would
    // be written into is the source folder or lies inside it. Safe from several threads.
    QString Refusal(const QString& target) const;
    // The same for the file name in the open folder, asked of the folder by its handle
    // (so a renamed or swapped path cannot make it answer for another folder).
    QString Refusal(const imaging::TargetFolder& folder, const QString& name) const;

    // Where the open folder lies relative to the source folder right now (Elsewhere when
    // the guard has none).
    Placement PlaceOf(const imaging::TargetFolder& folder) const;

private:
    using FileId = std::pair<dev_t, ino_t>;
    bool hasFolder_ = false;
    FileId folder_{};
    std::set<FileId> sources_;
};

} // namespace batch
