// libFuzzer target: any bytes through the picture loader, named as a JPEG (the strict
// path) and not (by content: JPEG, PNG, WebP, HEIF, else Qt's readers), and through its
// header probe. The loader must return, with an empty picture or a 24-bit one of a sane
// size, and leave no bitmap behind. JPEG data also goes through the decode that leaves the
// turn to the caller and reduces while it decodes.
//
// Pictures whose header claims more than kMaxPixels are skipped, as libjpeg-turbo's own
// fuzzers do: the loader's refusal of absurd sizes has its tests, and below that limit a
// large picture would only measure the allocator, not the loader.
#include "imaging/JpegDecoder.h"
#include "imaging/PictureLoader.h"
#include "platform/Gdi.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

constexpr std::int64_t kMaxPixels = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool jpegName : {true, false}) {
        const std::optional<imaging::PictureHeader> claimed = imaging::ProbePictureData(bytes, jpegName);
        if (claimed && std::int64_t{claimed->width} * claimed->height > kMaxPixels)
            return 0;
    }
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
    const int live = gdi::LiveObjectCount();
    {
        imaging::StoredDecode stored;
        stored.reduce = [](std::int32_t width, std::int32_t height) {
            return imaging::CopySize{std::max(width / 3, 1), std::max(height / 3 + 1, 1)};
        };
        const Picture picture = imaging::DecodeJpeg(data, size, nullptr, nullptr, {}, nullptr, &stored);
        if (!picture.IsEmpty() && stored.reduced
            && (picture.Width() != std::max(stored.width / 3, 1) || picture.Height() != stored.height / 3 + 1))
            std::abort();
    }
    if (gdi::LiveObjectCount() != live)
        std::abort();
    return 0;
}
