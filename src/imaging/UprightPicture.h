#pragma once
// The engine's upright 24-bit picture built from a decoder's stored rows, turned as an
// EXIF orientation says: the same placing the JPEG decoder does band by band.

#include "imaging/Picture.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace imaging {

// Fills rows[i] (3 * storedWidth bytes: blue, green, red) with stored row first + i, for
// i < count.
using StoredRows = std::function<void(std::int32_t first, int count, std::uint8_t* const* rows)>;

// Why a storedWidth x storedHeight picture cannot be decoded here, in the loader's words
// ("picture too large (W x H)", "not enough memory for the picture (W x H)"), counting its
// upright bitmap and extraBytes of the decoder's own; empty when it can.
QString SizeRefusal(std::int32_t storedWidth, std::int32_t storedHeight, std::int64_t extraBytes);

// The upright picture of a storedWidth x storedHeight picture whose rows fill hands out,
// turned as orientation (1..8, EXIF's values) says. Empty, with *failure set (when
// given), when its bitmap cannot be had.
Picture BuildUpright(std::int32_t storedWidth, std::int32_t storedHeight, int orientation, const StoredRows& fill,
                     QString* failure);

} // namespace imaging
