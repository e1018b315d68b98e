// libFuzzer target: any bytes through the picture loader, named as a JPEG (the strict
// path) and not (JPEG by content, else Qt's readers). The loader must return, with an
// empty picture or a 24-bit one of a sane size, and leave no bitmap behind.
#include "imaging/PictureLoader.h"
#include "platform/Gdi.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool jpegName : {true, false}) {
        const int live = gdi::LiveObjectCount();
        {
            const Picture picture = imaging::LoadPictureFromData(bytes, jpegName);
            if (!picture.IsEmpty()) {
                gdi::BITMAP description;
                if (!gdi::GetObject(picture.Handle(), description) || description.bmBitsPixel != 24
                    || description.bmWidth <= 0 || description.bmHeight <= 0)
                    std::abort();
            }
        }
        if (gdi::LiveObjectCount() != live)
            std::abort();
    }
    return 0;
}
