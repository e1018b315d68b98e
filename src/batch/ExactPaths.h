#pragma once
// Path pieces for names as the file system and the command line give them. Blanks at the
// start or end of a name are part of it (" c.jpg" is not "c.jpg"), so nothing here trims;
// StdModul's path helpers trim, as the texts typed into the window's boxes want.

#include <QString>
#include <QStringList>

#include <vector>

namespace batch {

// The path ending in "/"; empty stays empty.
QString WithSeparator(const QString& path);
// Everything after the last "/"; the whole path without one.
QString FileNameOf(const QString& path);
// Everything up to and including the last "/"; empty without one.
QString FolderOf(const QString& path);
// The file name without its last extension ("a.b.jpg" -> "a.b", "name." -> "name");
// a name whose only dot is its first character gives the part after it (".jpg" -> "jpg").
QString BaseNameOf(const QString& path);
// True when path names an existing folder that can be listed; a path ending in "/." or
// "/.." never does.
bool IsFolder(const QString& path);

// For each name, the position of the latest earlier name that would land on the same
// target file, or -1. Names that differ only in letter case count as the same: on a
// case-insensitive target (a FAT stick) they are one file, and waiting where it was not
// needed costs nothing.
std::vector<qsizetype> EarlierSameTarget(const QStringList& names);

} // namespace batch
