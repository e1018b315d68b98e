#pragma once
// The picture loader: a picture file in, a decoded 24-bit picture out.

#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace imaging {

// What a load tells beyond the picture.
struct LoadDetails {
    QString failure;        // why the load failed, in English ("not a JPEG file"); empty after success
    PhotoMetadata metadata; // what a reduced copy keeps: a JPEG's colour profile and capture date,
                            // and every file's modification time
    QStringList warnings;   // metadata left out because it was damaged, one line each with why;
                            // the picture itself loaded
};

// Loads the picture file at path. Files named .jpg, .jpeg, .jpe or .jfif, and any file
// that starts like a JPEG, are decoded as JPEG only (a PNG named .jpg fails); other files
// go through Qt's image readers. The result is upright (EXIF orientation applied) and
// holds a 24-bit bottom-up bitmap, which aDIBSection::CreateFromPicture takes over.
// Every failure (missing or unreadable file, not a regular file, corrupt or truncated
// data, a picture too large for the pixel cap or the memory available) gives an empty
// picture; no input crashes, hangs or ends the process. path's bytes reach the file
// system unchanged (platform::EncodeFileName). Safe to call from several threads at once.
Picture LoadPicture(const QString& path);

// The same, and with details (may be null): the cause of a failure, the metadata of a
// successful load.
Picture LoadPicture(const QString& path, LoadDetails* details);

// The same for file contents already in memory; jpegName says the file was named as a
// JPEG. The data is only read during the call. details (may be null) gets no
// modification time.
Picture LoadPictureFromData(const QByteArray& data, bool jpegName, LoadDetails* details = nullptr);

} // namespace imaging
