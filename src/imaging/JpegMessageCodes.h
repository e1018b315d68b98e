#pragma once
// libjpeg's message codes as the library itself numbers them. jerror.h leaves out two
// messages unless jpeglib.h (through jconfig.h) was read first, and every code after
// them would then be off by two: so jpeglib.h comes first here, in a block of its own
// that the formatter does not sort, and every file that compares codes includes this
// header instead of jerror.h.

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

namespace imaging {

// Warnings that concern only metadata or bytes between markers: the picture still
// decodes whole. Every other warning means parts of it would be made up.
inline constexpr int kHarmlessJpegWarnings[] = {
    JWRN_EXTRANEOUS_DATA, // stray bytes before a marker
    JWRN_JFIF_MAJOR,      // a JFIF version this library does not know
    JWRN_ADOBE_XFORM,     // an Adobe colour transform code it does not know
};

} // namespace imaging
