// libFuzzer target: any bytes through the picture loader, named as a JPEG (the strict
// path) and not (JPEG by content, else Qt's readers). The loader must return, with an
// empty picture or a 24-bit one of a sane size, and leave no bitmap behind.
//
// Pictures whose header claims more than kMaxPixels are skipped, as libjpeg-turbo's own
// fuzzers do: the loader's refusal of absurd sizes has its tests, and below that limit a
// large picture would only measure the allocator, not the loader.
#include "imaging/PictureLoader.h"
#include "imaging/TurboJpegHandles.h"
#include "platform/Gdi.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QSize>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::int64_t kMaxPixels = 1 << 20;

// The size the input's header claims: a JPEG frame header if there is one, else what
// Qt's readers find; invalid when neither can tell.
QSize ClaimedSize(const QByteArray& bytes)
{
    const imaging::TurboJpegHandle decoder(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (decoder
        && tjDecompressHeader3(decoder.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                               static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling, &colourspace)
            == 0)
        return {width, height};
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return QImageReader(&buffer).size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QSize claimed = ClaimedSize(bytes);
    if (claimed.isValid() && std::int64_t{claimed.width()} * claimed.height() > kMaxPixels)
        return 0;
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
