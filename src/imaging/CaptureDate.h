#pragma once
// The capture date of a photo, carried into its reduced copy as an EXIF block of its own.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace imaging {

// A minimal EXIF APP1 payload ("Exif\0\0" + big-endian TIFF) holding only the
// DateTimeOriginal and DateTimeDigitized tags of the EXIF block app1 (an APP1 payload
// starting "Exif\0\0"), each where present and well-formed ("YYYY:MM:DD HH:MM:SS").
// Empty when the block is missing or malformed or has no DateTimeOriginal.
QByteArray CaptureExif(const std::uint8_t* app1, std::size_t size);

} // namespace imaging
