#pragma once
// A JPEG save request made of three properties: set the file name, then the quality,
// then the picture, which performs the save. Reading any property gives nothing back.

#include "platform/Gdi.h"

#include <QString>

#include <cstdint>
#include <memory>

class aDIBSection;

class sjpg {
public:
    sjpg();
    ~sjpg();
    sjpg(const sjpg&) = delete;
    sjpg& operator=(const sjpg&) = delete;

    // "Name of the file to save to". Reads as an empty text. Writing stores the name and
    // deletes an existing regular file of that name at once (the name is taken
    // literally, never as a pattern); a file that cannot be deleted raises
    // errors::RuntimeError, with the name already stored.
    QString savefilenamej() const { return {}; }
    void setSavefilenamej(const QString& vNewValue);

    // "The picture box picture.handle". Reads as 0. Writing a bitmap handle copies the
    // picture into this object's bitmap (made on first use, then reused) and writes it
    // with WriteJPEGFile to the stored name at the stored quality; the result is dropped.
    gdi::HBITMAP savepicj() const { return 0; }
    void setSavepicj(gdi::HBITMAP vNewValue);

    // "Quality of the saved jpeg. 99 the highest, 10 the lowest. 90 is normal". Reads as 0.
    std::int16_t savequal() const { return 0; }
    void setSavequal(std::int16_t vNewValue) { quality_ = vNewValue; }

private:
    std::unique_ptr<aDIBSection> bitmap_;
    QString fileName_;
    std::int16_t quality_ = 0;
};
