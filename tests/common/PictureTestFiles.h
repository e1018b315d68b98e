#pragma once
// Test pictures in the phone and web formats, made on the spot with the formats' own
// libraries: HEIC through libheif's encoder, PNG through Qt (with chunks added by hand),
// WebP through libwebp.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

namespace testfiles {

struct HeicOptions {
    int quality = 90;      // lossy quality 0..100
    int orientation = 1;   // written as HEIF transformations (irot/imir), 1..8 as in EXIF
    QByteArray exifTiff;   // an EXIF block (TIFF bytes) stored with the picture
    QByteArray iccProfile; // an ICC profile stored in the colr box
    int nclxPrimaries = 0; // nclx colours instead (H.273 primaries, with the sRGB curve)
    bool tenBit = false;   // 10 bits a sample
    bool alpha = false;    // keep image's alpha as an alpha plane
};
// HEIC bytes of image as stored (the orientation says how a viewer turns it); empty on failure.
QByteArray EncodeHeic(const QImage& image, const HeicOptions& options = {});

// PNG bytes of image as Qt writes it in image's format (Indexed8, Grayscale8, RGBA64, ...).
QByteArray EncodePng(const QImage& image);
// A PNG chunk: length, type, data and CRC.
QByteArray PngChunk(const char* type, const QByteArray& data);
// png with a chunk of the given type and data right after its IHDR.
QByteArray WithPngChunk(const QByteArray& png, const char* type, const QByteArray& data);

// WebP bytes of image (with its alpha); lossless or at quality; optional EXIF (TIFF
// bytes) and ICC chunks. Empty on failure.
QByteArray EncodeWebP(const QImage& image, bool lossless, int quality = 90, const QByteArray& exifTiff = {},
                      const QByteArray& iccProfile = {});
// An animated WebP showing frames in turn (all of one size), lossless.
QByteArray EncodeAnimatedWebP(const QList<QImage>& frames);

// The TIFF bytes of an EXIF block as cameras write it (see CameraExifSegment).
QByteArray CameraExifTiff(int orientation, const QByteArray& original);

// A smooth picture (gradients in each channel) that lossy coders keep close, with a
// black block marking its top-left corner.
QImage MarkedGradient(int width, int height);

// Fills folder with one picture of each format a folder run takes, and a HEIC and a JPEG
// of one base name ("p.heic" listed before "p.jpg"). Answers the copies a run at size
// "32" writes: file name -> picture size (the JPEG "p.jpg" wins its name). Empty when a
// file could not be made.
QMap<QString, QSize> WriteMixedFolder(const QString& folder);

} // namespace testfiles
