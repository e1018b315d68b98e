#pragma once
// The JPEG writer: one aDIBSection in, one JPEG file out, through one initialise,
// write, free cycle of the JPEG library layer (imaging/JpegLibrary.h).

#include "imaging/JpegLibrary.h"

#include <QString>

#include <cstdint>
#include <functional>

class aDIBSection;

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
// Installs entry points (used from then on) and returns the ones they replace.
EntryPoints SetEntryPoints(EntryPoints entryPoints);

// Writes bitmap to the file filename as a JPEG at quality (passed to the library
// unchanged). True when the file was written. A failed initialisation shows
// "Failed to initialise the IJL library: " with the status, a failed write "Failed to
// save to JPG", each in an exclamation box with OK and the program's title; an empty
// bitmap is refused by the library and so shows the second. A null bitmap raises
// errors::ObjectRequired, and overflow in the bitmap's arithmetic errors::OverflowError,
// without a message. The library is freed on every path after a successful ijlInit.
bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality);

} // namespace mIntelJPEGLibrary
