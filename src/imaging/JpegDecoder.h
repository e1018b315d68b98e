#pragma once
// Decoding JPEG pictures (baseline, progressive, greyscale, CMYK and YCCK) into the
// 24-bit bottom-up bitmap the rest of the engine works on.

#include "imaging/PhotoMetadata.h"
#include "imaging/Picture.h"
#include "imaging/PixelMemory.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace imaging {

// Decodes the JPEG file held in data[0..size) into a 24-bit picture, upright as its
// EXIF orientation says. The picture's size is checked against gdi::kMaxBitmapPixels
// and the memory available before any pixel memory is allocated. Corrupt or truncated
// data, unsupported colour spaces and oversized pictures give an empty picture and, when
// failure is given, the cause in English ("truncated or damaged JPEG data at byte 1234
// (libjpeg: Premature end of JPEG file)"); nothing is printed and the process is never
// ended. When metadata is given, its ICC profile and capture-date EXIF block are filled
// from the file (its modification time is left alone); a damaged profile or EXIF block
// is left out and, when warnings is given, one line in English says which and why
// ("colour profile left out: damaged ICC marker (chunk 2 of 3 is missing)"). Markers
// are read in time proportional to their bytes, however many a file holds. data is
// only read during the call. Safe to call from several threads at once.
//
// scale, when given, is asked once with the picture's full upright width and height and
// answers the decode's scale in eighths (1 to 8; 8 is full size): libjpeg then reduces
// while it decodes (DCT scaling), far cheaper than decoding everything and shrinking after.
//
// stored, when given, is for a caller that shrinks the picture anyway (see StoredDecode).
using DecodeScale = std::function<int(std::int32_t width, std::int32_t height)>;

// A bilinear copy's width and height.
struct CopySize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What a caller that shrinks the picture anyway asks of the decode, and learns from it.
// The picture is left as stored: the caller applies its EXIF turn while it shrinks
// (aDIBSection::Resample reads through it), which saves the full-size turn. And where
// reduce answers the size of the copy the caller would make of the upright picture, the
// decode makes that copy itself while the rows come, to the same bytes, and hands it back
// upright instead: the whole picture is never held. The copy is the bilinear Resample
// (StreamedResample), or with lanczos3 ResampleLanczos3 (Lanczos3Stream, of the stored
// picture, turned once reduced).
struct StoredDecode {
    // Asked with the decoded picture's upright width and height once the header is read;
    // nullopt, or a size the copy would not be made at, has the whole picture decoded.
    std::function<std::optional<CopySize>(std::int32_t width, std::int32_t height)> reduce;
    bool lanczos3 = false;
    int orientation = 1;    // out: the EXIF turn left to the caller (1..8; 1 once reduced)
    bool reduced = false;   // out: the picture is the copy reduce asked for, upright
    std::int32_t width = 0; // out: the decoded picture's upright size
    std::int32_t height = 0;
};

Picture DecodeJpeg(const std::uint8_t* data, std::size_t size, QString* failure = nullptr,
                   PhotoMetadata* metadata = nullptr, const DecodeScale& scale = {}, QStringList* warnings = nullptr,
                   StoredDecode* stored = nullptr);

// The size and decode memory of a JPEG file from its frame header, found by walking the
// markers without decoding. read(offset, into, count) fills into with up to count bytes
// of the file from offset and answers how many it gave, so markers before the frame
// (large EXIF or profile segments) are skipped, not read. nullopt when no frame header
// comes before the first scan or the data ends.
using ReadAt = std::function<std::int64_t(std::int64_t offset, std::uint8_t* into, std::int64_t count)>;
std::optional<PictureHeader> ReadJpegHeader(const ReadAt& read);

} // namespace imaging
