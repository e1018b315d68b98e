#pragma once
// Decoding HEIF pictures (HEIC from phones and cameras, and AVIF) with libheif.

#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace imaging {

// Decodes the primary picture of the HEIF file in data[0..size) into a 24-bit picture,
// with the file's own transformations (rotation, mirroring, crop) applied once by
// libheif; an EXIF orientation inside is not applied again. Samples above 8 bits are
// rounded to 8, alpha is composed onto white. metadata (when given) gets the ICC profile,
// or one made for colours given only as nclx code points (NclxProfile.h), and the capture
// date of the EXIF block. Damaged data, a codec without a decoder here and oversized
// pictures give an empty picture and the cause in *failure (when given). Safe to call
// from several threads.
Picture DecodeHeif(const std::uint8_t* data, std::size_t size, QString* failure = nullptr,
                   PhotoMetadata* metadata = nullptr);

// The primary picture's width and height as decoded (transformations applied), from the
// file's boxes alone; false when they cannot be read.
bool ProbeHeif(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height);

} // namespace imaging
