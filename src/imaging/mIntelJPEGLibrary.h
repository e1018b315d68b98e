#pragma once
// The JPEG writer: one aDIBSection in, one JPEG file out, through one initialise,
// write, free cycle of the JPEG library layer (imaging/JpegLibrary.h).

#include "imaging/JpegLibrary.h"
#include "imaging/PhotoMetadata.h"

#include <QString>

#include <cstdint>
#include <functional>

class aDIBSection;

namespace imaging {
class TargetFolder;
}

namespace mIntelJPEGLibrary {

// The library's entry points. The writer reaches the library only through these, so a
// test can stand in for it (a failing initialisation, a record spy).
struct EntryPoints {
    std::function<std::int32_t(ijl::JPEG_CORE_PROPERTIES*)> ijlInit;
    std::function<std::int32_t(ijl::JPEG_CORE_PROPERTIES*, std::int32_t)> ijlWrite;
    std::function<std::int32_t(ijl::JPEG_CORE_PROPERTIES*)> ijlFree;
};

// The real library's entry points.
EntryPoints LibraryEntryPoints();
// Installs entry points (used from then on) and returns the ones they replace. Writers
// running on other threads at the time finish with the entry points they started with;
// writers never wait for each other or for this.
EntryPoints SetEntryPoints(EntryPoints entryPoints);

// What a caller may hand the writer beyond the picture, and what it learns back.
struct WriteDetails {
    const imaging::PhotoMetadata* metadata = nullptr; // kept in the file when given
    const imaging::TargetFolder* folder = nullptr;    // when given, filename names a file in it
    QString failure;                                  // why the file was not written, in English; empty after success
};

// Writes bitmap to the file filename as a JPEG at quality (passed to the library
// unchanged). True when the file was written. A failed initialisation shows
// "Failed to initialise the IJL library: " with the status, a failed write "Failed to
// save to JPG", each in an exclamation box with OK and the program's title; an empty
// bitmap is refused by the library and so shows the second. A null bitmap raises
// errors::ObjectRequired, and overflow in the bitmap's arithmetic errors::OverflowError,
// without a message. The library is freed on every path after a successful ijlInit.
// The name's bytes go to the file system unchanged (platform::EncodeFileName). Safe to
// call from several threads at once for different files.
bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality);

// The same, and with details: the file keeps metadata's colour profile, capture-date
// EXIF block and modification time (each where present; the pixels are the same as
// without), and a failure leaves its cause in details->failure ("cannot create the
// target file: No space left on device"), message boxes as above. details may be null.
bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality, WriteDetails* details);

} // namespace mIntelJPEGLibrary
