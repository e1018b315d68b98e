#pragma once
// RAII owners for TurboJPEG handles and the buffers it allocates.

#include <turbojpeg.h>

#include <memory>
#include <type_traits>

namespace imaging {

struct TurboJpegDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
// A compressor or decompressor from tjInitCompress / tjInitDecompress.
using TurboJpegHandle = std::unique_ptr<std::remove_pointer_t<tjhandle>, TurboJpegDestroy>;

struct TurboJpegFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
// A buffer that tjCompress2 allocated.
using TurboJpegBuffer = std::unique_ptr<unsigned char, TurboJpegFree>;

} // namespace imaging
