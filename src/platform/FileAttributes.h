#pragma once
// File attributes in the platform's bit layout, read from the local file system.

#include <QString>

#include <cstdint>

namespace platform {

// Attribute bits as the program knows them.
enum FileAttribute : std::int32_t {
    ATTR_READONLY = 1,   // the user may not write it
    ATTR_HIDDEN = 2,     // name begins with "."
    ATTR_SYSTEM = 4,     // never set here
    ATTR_DIRECTORY = 16, // a folder, or a link to one
    ATTR_ARCHIVE = 32,   // any entry that is not a folder
};

// The attributes of the file or folder at sPath (links followed), or -1 when they cannot
// be read. The path goes to the file system byte for byte (EncodeFileName).
std::int32_t GetFileAttributes(const QString& sPath);

} // namespace platform
