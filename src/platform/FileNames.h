#pragma once
// File names are bytes. Linux allows any byte but "/" and NUL in a name, and photos copied
// from old cameras, archives and other systems often carry names that are not UTF-8
// ("caf\xE9.jpg"). Qt's own conversion turns such bytes into U+FFFD, after which the
// name no longer opens. These functions keep every byte: valid UTF-8 reads as its
// characters, and each byte that is not part of valid UTF-8 becomes one lone low
// surrogate U+DC80..U+DCFF, which no valid name can produce and which converts back to
// exactly that byte. Every path the program hands to the file system goes through
// EncodeFileName, every name it reads back through DecodeFileName.

#include <QByteArray>
#include <QString>

namespace platform {

// The text form of a name or path as the file system holds it; lossless.
QString DecodeFileName(const QByteArray& bytes);

// The bytes of a name or path for the file system; DecodeFileName's exact inverse.
// Text that never came from DecodeFileName converts as UTF-8.
QByteArray EncodeFileName(const QString& name);

// The name for people to read: each byte kept by DecodeFileName shows as the Latin-1
// character of that byte (the encoding such names most often come from), so
// "caf\xE9.jpg" reads "café.jpg". Never give the result back to the file system.
QString DisplayFileName(const QString& name);

} // namespace platform
