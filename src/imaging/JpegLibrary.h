#pragma once
// The JPEG library layer: the three entry points the writer drives and the record it
// fills, over libjpeg-turbo. It writes baseline JPEG, YCbCr with 4:2:0 chroma
// subsampling, quality on libjpeg's standard scale, and replaces the target file
// atomically: the picture is encoded in memory, written to a temporary file in the
// target folder and renamed into place, so a failed write leaves nothing behind and an
// existing file untouched, and a target that is a symbolic link is replaced as a name,
// never written through.

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace imaging {
class TargetFolder;
}

namespace ijl {

// Status values: 0 is success, anything else a failure.
constexpr std::int32_t IJL_OK = 0;
constexpr std::int32_t kBadRecord = -1;       // null record, or not initialised
constexpr std::int32_t kBadIoType = -2;       // only IJL_JFILE_WRITEWHOLEIMAGE is offered
constexpr std::int32_t kMemoryError = -3;     // the encoder could not be set up
constexpr std::int32_t kBadBitmap = -4;       // no pixels, zero or inconsistent sizes
constexpr std::int32_t kBadFileName = -5;     // null or empty JPGFile
constexpr std::int32_t kEncodeFailed = -6;    // libjpeg-turbo refused the picture
constexpr std::int32_t kFileWriteFailed = -7; // the file could not be written or renamed

// ijlWrite's I/O type: the whole image from memory to the file named in the record.
constexpr std::int32_t IJL_JFILE_WRITEWHOLEIMAGE = 8;

// The record exchanged with the library. Zero it, ijlInit it, set the fields, ijlWrite,
// ijlFree.
struct JPEG_CORE_PROPERTIES {
    const std::uint8_t* DIBBytes = nullptr; // first byte of pixel memory: blue, green, red
    std::int32_t DIBWidth = 0;              // pixels
    std::int32_t DIBHeight = 0;             // pixels; negative: the first memory row is the bottom row
    std::int32_t DIBPadBytes = 0;           // bytes after the 3 * DIBWidth pixel bytes of each row
    const char* JPGFile = nullptr;          // target path, 0-terminated, in the file system's encoding
    std::int32_t JPGWidth = 0;              // must equal DIBWidth: the library does not scale
    std::int32_t JPGHeight = 0;             // must equal |DIBHeight|
    std::int32_t jquality = 0;              // 1..100; values outside are clamped to that range
    void* state = nullptr;                  // the library's own, set by ijlInit, released by ijlFree

    // Our additions: what the written file keeps of its photo, and why a call failed.
    const std::uint8_t* ICCProfile = nullptr; // an ICC profile, written as APP2 "ICC_PROFILE" chunks
    std::size_t ICCProfileSize = 0;
    const std::uint8_t* EXIFBytes = nullptr; // an EXIF payload ("Exif\0\0" + TIFF), written as one APP1
    std::size_t EXIFSize = 0;
    const imaging::TargetFolder* JPGFolder = nullptr; // when set, JPGFile names a file in this folder
    bool SetFileTime = false;                         // give the written file FileTime as its modification time
    timespec FileTime{};
    char Failure[320] = {}; // set by a failing call: the cause in English, 0-terminated
};

// Prepares a zeroed record: sets jquality to 75 and creates the encoder.
std::int32_t ijlInit(JPEG_CORE_PROPERTIES* jcprops);
// Encodes the bitmap the record describes and writes it to JPGFile (iotype must be
// IJL_JFILE_WRITEWHOLEIMAGE). The pixels are read in place, at their stride and row order.
// The profile and EXIF markers go right after the JFIF header; the encoded picture is
// the same with or without them. Safe for several records on several threads at once.
std::int32_t ijlWrite(JPEG_CORE_PROPERTIES* jcprops, std::int32_t iotype);
// Releases what ijlInit created; the record can be initialised again afterwards.
std::int32_t ijlFree(JPEG_CORE_PROPERTIES* jcprops);

} // namespace ijl
