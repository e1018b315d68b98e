#pragma once
// Test pictures made on the spot: JPEG files encoded with TurboJPEG, EXIF blocks built
// by hand, frame headers patched, and readers for what the writer produced.

#include "TestFiles.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace testfiles {

// JPEG bytes of image: subsampling a TJSAMP_* value, flags TJFLAG_* (e.g. progressive).
QByteArray EncodeJpeg(const QImage& image, int quality = 95, int subsampling = 2 /* TJSAMP_420 */, int flags = 0);
// A greyscale JPEG of image.
QByteArray EncodeGreyJpeg(const QImage& image);
// A four-component (YCCK, Adobe) JPEG showing image, with inverted CMYK as Adobe stores it.
QByteArray EncodeCmykJpeg(const QImage& image);
// jpeg with an APP1 EXIF block holding only the orientation tag, in the given byte order.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian = true);
// stored as a viewer shows it when the EXIF orientation (1..8) says so.
QImage AsViewed(const QImage& stored, int orientation);
// One marker segment: 0xFF, the marker byte, the length and payload.
QByteArray Segment(int marker, const QByteArray& payload);
// jpeg with the given marker segments (each "\xFF\xEn" + length + payload) right after SOI.
QByteArray WithSegments(const QByteArray& jpeg, const QByteArray& segments);
// APP2 "ICC_PROFILE" segments carrying profile in chunks of at most chunkSize bytes.
QByteArray IccSegments(const QByteArray& profile, int chunkSize);
// An APP1 EXIF segment as cameras write it: IFD0 with the orientation and a GPS IFD, an
// EXIF sub-IFD with DateTimeOriginal and DateTimeDigitized (each only when not empty).
QByteArray CameraExifSegment(int orientation, const QByteArray& original, const QByteArray& digitized);
// The marker segments of a JPEG file before its first scan: marker byte and payload.
std::vector<std::pair<int, QByteArray>> Segments(const QByteArray& jpeg);
// jpeg without its APP1 and APP2 segments.
QByteArray WithoutAppSegments12(const QByteArray& jpeg);
// Writes image as a baseline 4:2:0 JPEG file at quality, creating folders; false on failure.
bool WriteJpeg(const QString& path, const QImage& image, int quality = 90);
// jpeg with the size in its frame header changed (what a damaged or hostile file claims);
// empty when jpeg has no frame header.
QByteArray WithFrameSize(const QByteArray& jpeg, int width, int height);

// Decodes a JPEG independently of the program's loader (TurboJPEG, top-down RGB32).
QImage DecodeJpeg(const QByteArray& jpeg);

// The quantisation tables of a JPEG file, in natural (row by row) order, by table id.
std::vector<std::array<int, 64>> QuantisationTables(const QByteArray& jpeg);

// A picture with four flat quadrants: top-left red, top-right green, bottom-left blue,
// bottom-right white.
QImage Quadrants(int width, int height);
// True when the colour is within tolerance of expected in every channel.
bool Near(QRgb actual, QColor expected, int tolerance = 40);

} // namespace testfiles
