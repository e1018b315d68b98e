#pragma once
// What takes a picture's stored rows as the decoder hands them out, top to bottom, and
// makes a reduced copy from them, so that the whole picture is never held.

#include <cstdint>

namespace imaging {

class StoredRowSink {
public:
    virtual ~StoredRowSink() = default;
    // Stored rows first .. first + count - 1 (rows[i]: blue, green, red); each call goes
    // on where the last one ended.
    virtual void Take(std::int32_t first, int count, const std::uint8_t* const* rows) = 0;
    // True once every row of the copy is made.
    virtual bool Complete() const = 0;
};

} // namespace imaging
