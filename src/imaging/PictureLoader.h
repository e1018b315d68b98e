#pragma once
// The picture loader: a picture file in, a decoded 24-bit picture out.

#include "imaging/JpegDecoder.h"
#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"
#include "imaging/PixelMemory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace imaging {

// What a load tells beyond the picture.
struct LoadDetails {
    QString failure;        // why the load failed, in English ("not a JPEG file"); empty after success
    PhotoMetadata metadata; // what a reduced copy keeps: the colour profile and capture date
                            // (JPEG, PNG, WebP, HEIF), and every file's modification time
    QStringList warnings;   // metadata left out because it was damaged, one line each with why;
                            // the picture itself loaded
    int orientation = 1;    // the EXIF turn still to apply to the picture (1..8): 1, upright,
                            // except for a whole JPEG from LoadStoredPicture
    bool reduced = false;   // the picture is the copy LoadStoredPicture's reduce asked for
    std::int32_t width = 0; // the decoded picture's upright size, once its header was read
    std::int32_t height = 0;
};

// Asked with a picture's full upright size: the size of the bilinear copy the caller will
// make of it, if any (see StoredDecode).
using ReduceTo = std::function<std::optional<CopySize>(std::int32_t width, std::int32_t height)>;

// Loads the picture file at path. Files named .jpg, .jpeg, .jpe or .jfif are decoded as
// JPEG only (a PNG named .jpg fails); any other file by what its first bytes are: JPEG
// (libjpeg), PNG (libpng), WebP (libwebp), HEIF/HEIC/AVIF (libheif, the primary
// picture), else Qt's image readers. The result is upright (EXIF orientation applied;
// HEIF's own transformations instead of its EXIF tag), 8 bits a channel (deeper samples
// rounded), transparency composed onto white, and holds a 24-bit bottom-up bitmap, which
// aDIBSection::CreateFromPicture takes over. An animated WebP gives its first frame.
// Every failure (missing or unreadable file, not a regular file, corrupt or truncated
// data, a picture too large for the pixel cap or the memory available) gives an empty
// picture; no input crashes, hangs or ends the process. path's bytes reach the file
// system unchanged (platform::EncodeFileName). Safe to call from several threads at once.
Picture LoadPicture(const QString& path);

// The same, and with details (may be null): the cause of a failure, the metadata of a
// successful load.
Picture LoadPicture(const QString& path, LoadDetails* details);

// The same, a JPEG decoded at the reduced scale that scale answers (see DecodeJpeg);
// other formats load at full size.
Picture LoadPicture(const QString& path, LoadDetails* details, const DecodeScale& scale);

// For a caller that shrinks the picture anyway: the same, but a JPEG is left as stored
// and details->orientation says how it is to be turned; and where reduce answers the size
// of the copy the caller would make (bilinear, or with lanczos3 Lanczos-3), a JPEG comes
// as that copy, upright, made while it was decoded, with details->reduced set (see
// StoredDecode). Pictures of other formats come whole and upright. details must not be
// null.
Picture LoadStoredPicture(const QString& path, LoadDetails* details, const DecodeScale& scale = {},
                          const ReduceTo& reduce = {}, bool lanczos3 = false);

// The same for file contents already in memory; jpegName says the file was named as a
// JPEG. The data is only read during the call. details (may be null) gets no
// modification time.
Picture LoadPictureFromData(const QByteArray& data, bool jpegName, LoadDetails* details = nullptr,
                            const DecodeScale& scale = {});

// The header of the picture file at path (imaging::PictureHeader: the picture's size as
// stored, and the decoder's working memory beside the bitmap), read from the first 96 KiB
// of the file (the first MiB, then the whole file, only where that does not hold it)
// without decoding any pixel data; *fileBytes (may be null) gets the file's size.
// nullopt when the file cannot be read or has no header the loader knows. Never blocks on
// a pipe. Safe to call from several threads at once.
std::optional<PictureHeader> ProbePicture(const QString& path, std::int64_t* fileBytes = nullptr);
// The same for file contents in memory, named as a JPEG or not as LoadPictureFromData.
std::optional<PictureHeader> ProbePictureData(const QByteArray& data, bool jpegName);

} // namespace imaging
