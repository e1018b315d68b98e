#pragma once
// The file list scan: every JPEG file of a folder, depth-first through its subfolders.

#include <QString>
#include <QStringList>

namespace batch {

// Appends to files the full path (srcpath + name) of every file of srcpath whose
// extension is "jpg" or "jpeg" in any letter case; with subpath, then descends into each
// subfolder in listing order. srcpath ends in the path separator. Never raises.
void Scan(QStringList& files, const QString& srcpath, bool subpath);

} // namespace batch
