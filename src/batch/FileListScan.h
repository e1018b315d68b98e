#pragma once
// The file list scan: every picture file of a folder, depth-first through its subfolders.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace batch {

// Appends to files the full path (srcpath + name) of every file of srcpath whose
// extension is one a folder run takes (IsPictureExtension: "jpg", "jpeg", "heic", "png",
// ...) in any letter case; with subpath, then descends into each
// subfolder in listing order. srcpath ends in the path separator. A folder reached a
// second time (through a link) is not entered again, so link cycles end. Folders that
// cannot be listed add nothing. Never raises.
void Scan(QStringList& files, const QString& srcpath, bool subpath);
// The same, never entering the folder skipFolder (a run's target: its pictures are the
// run's outputs, not its sources, even where a link leads the scan there).
void Scan(QStringList& files, const QString& srcpath, bool subpath, const QString& skipFolder);

// Fills files with the names of the plain entries of the folder path (with or without a
// trailing separator) and folders with the names of its subfolders (links to folders
// included), each list sorted by name without regard to letter case. Either list may be
// null: it is then left alone, and with folders null the subfolders are not listed at
// all. Hidden entries are listed; "." and ".." never. pattern is "*.*" (every name) or a
// wildcard pattern matched without regard to case. A folder that cannot be listed gives
// empty lists.
void ListFolder(const QString& path, QStringList* files, QStringList* folders,
                const QString& pattern = QStringLiteral("*.*"));

// The attribute bits of the file or folder at path (16 folder, 2 hidden, 1 read-only,
// 32 other entries), or -1 when they cannot be read or the path ends in "/." or "/..".
std::int32_t GetPathAttributes(const QString& path);

// The lower-cased text after the last "." of the path's file name; empty without a dot.
QString GetExtension(const QString& path);

// True when list is set.
bool IsAssigned(const QStringList* list);

// Removes every entry of list.
void ClearCollection(QStringList& list);

} // namespace batch
