#pragma once
// Which files a folder run takes, and what their copies are called.

#include <QString>

namespace batch {

// True for the extensions (lower-cased, without the dot) a folder run takes: "jpg" and
// "jpeg", and the phone and web formats "heic", "heif", "hif", "avif", "png", "webp".
bool IsPictureExtension(const QString& extension);

// The file name of the reduced copy of the picture named name (no folder part). A JPEG
// keeps its name exactly; a picture in one of the other formats a folder run takes
// becomes a JPEG of its base name with ".jpg" ("IMG_0412.HEIC" -> "IMG_0412.jpg"). Any
// other name is kept as it is.
QString CopyName(const QString& name);

} // namespace batch
