#pragma once
// The capture date of a photo, carried into its reduced copy as an EXIF block of its own.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace imaging {

// A minimal EXIF APP1 payload ("Exif\0\0" + big-endian TIFF) holding only the
// DateTimeOriginal and DateTimeDigitized tags of the EXIF block app1 (an APP1 payload
// starting "Exif\0\0"), each where present and well-formed ("YYYY:MM:DD HH:MM:SS").
// Empty when the block is missing or malformed or has no DateTimeOriginal. damaged, when
// given, tells whether an empty result is due to a block that could not be read (libexif
// found corrupt data, or no readable entry at all) rather than one without a date.
QByteArray CaptureExif(const std::uint8_t* app1, std::size_t size, bool* damaged = nullptr);

} // namespace imaging
