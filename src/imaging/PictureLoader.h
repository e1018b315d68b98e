#pragma once
// The picture loader: a picture file in, a decoded 24-bit picture out.

#include "imaging/Picture.h"

#include <QByteArray>
#include <QString>

namespace imaging {

// Loads the picture file at path. Files named .jpg, .jpeg, .jpe or .jfif, and any file
// that starts like a JPEG, are decoded as JPEG only (a PNG named .jpg fails); other files
// go through Qt's image readers. The result is upright (EXIF orientation applied) and
// holds a 24-bit bottom-up bitmap, so aDIBSection::CreateFromPicture copies it row by
// row. Every failure (missing or unreadable file, corrupt or truncated data, a picture
// too large for the pixel cap or the memory available) gives an empty picture; no
// input crashes, hangs or ends the process.
Picture LoadPicture(const QString& path);

// The same for file contents already in memory; jpegName says the file was named as a
// JPEG. The data is only read during the call.
Picture LoadPictureFromData(const QByteArray& data, bool jpegName);

} // namespace imaging
