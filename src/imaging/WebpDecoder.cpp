#include "WebpDecoder.h"

#include "imaging/CaptureDate.h"
#include "imaging/ExifOrientation.h"
#include "imaging/PictureFormat.h"
#include "imaging/SampleRows.h"
#include "imaging/UprightPicture.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <new>
#include <vector>

namespace imaging {

namespace {

struct DemuxDelete {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDecoderDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

QString StatusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return QStringLiteral("truncated WebP data");
    case VP8_STATUS_OUT_OF_MEMORY:
        return QStringLiteral("not enough memory to decode the picture");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return QStringLiteral("unsupported WebP feature");
    default:
        return QStringLiteral("damaged WebP data (libwebp status %1)").arg(static_cast<int>(status));
    }
}

// A chunk of the container ("ICCP", "EXIF"), whole; empty when there is none.
QByteArray Chunk(WebPDemuxer* demux, const char* fourcc)
{
    WebPChunkIterator chunk;
    QByteArray bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk))
        bytes = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes), static_cast<qsizetype>(chunk.chunk.size));
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

} // namespace

bool ProbeWebP(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height)
{
    WebPBitstreamFeatures features;
    if (!data || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK)
        return false;
    *width = features.width;
    *height = features.height;
    return *width > 0 && *height > 0;
}

Picture DecodeWebP(const std::uint8_t* data, std::size_t size, QString* failure, PhotoMetadata* metadata)
{
    const auto fail = [&](const QString& why) {
        if (failure)
            *failure = why;
        return Picture();
    };
    WebPBitstreamFeatures features;
    const VP8StatusCode headerStatus = data ? WebPGetFeatures(data, size, &features) : VP8_STATUS_NOT_ENOUGH_DATA;
    if (headerStatus != VP8_STATUS_OK)
        return fail(StatusText(headerStatus));
    const WebPData webp{data, size};
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&webp));
    if (!demux)
        return fail(QStringLiteral("truncated or damaged WebP data"));
    const auto width = static_cast<std::int32_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const auto height = static_cast<std::int32_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    const std::int64_t rgbaBytes = std::int64_t{4} * width * height;
    const QString refusal = SizeRefusal(width, height, rgbaBytes);
    if (!refusal.isEmpty())
        return fail(refusal);

    SampleLayout layout;
    layout.channels = features.has_alpha || features.has_animation ? 4 : 3;
    const std::int64_t stride = std::int64_t{layout.channels} * width;
    const std::uint8_t* pixels = nullptr;
    std::vector<std::uint8_t> decoded;
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> animation;
    if (features.has_animation) {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return fail(QStringLiteral("cannot start libwebp's animation decoder"));
        options.color_mode = MODE_RGBA;
        options.use_threads = 0;
        animation.reset(WebPAnimDecoderNew(&webp, &options));
        std::uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!animation || !WebPAnimDecoderGetNext(animation.get(), &frame, &timestamp) || !frame)
            return fail(QStringLiteral("damaged WebP animation (its first frame cannot be decoded)"));
        pixels = frame;
    } else {
        try {
            decoded.resize(static_cast<std::size_t>(stride * height));
        } catch (const std::bad_alloc&) {
            return fail(QStringLiteral("not enough memory for the picture (%1 x %2)").arg(width).arg(height));
        }
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config))
            return fail(QStringLiteral("cannot start libwebp's decoder"));
        config.output.colorspace = layout.channels == 4 ? MODE_RGBA : MODE_RGB;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = decoded.data();
        config.output.u.RGBA.stride = static_cast<int>(stride);
        config.output.u.RGBA.size = decoded.size();
        const VP8StatusCode status = WebPDecode(data, size, &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK)
            return fail(StatusText(status));
        pixels = decoded.data();
    }

    const QByteArray exifChunk = Chunk(demux.get(), "EXIF");
    const QByteArray exif = ExifPayload(reinterpret_cast<const std::uint8_t*>(exifChunk.constData()),
                                        static_cast<std::size_t>(exifChunk.size()));
    const auto* exifBytes = reinterpret_cast<const std::uint8_t*>(exif.constData());
    Picture picture = BuildUpright(
        width, height, ExifOrientation(exifBytes, static_cast<std::size_t>(exif.size())),
        [&](std::int32_t first, int count, std::uint8_t* const* out) {
            for (int i = 0; i < count; ++i)
                ToBgrOnWhite(pixels + stride * (first + i), out[i], width, layout);
        },
        failure);
    if (metadata && !picture.IsEmpty()) {
        metadata->iccProfile = Chunk(demux.get(), "ICCP");
        metadata->captureExif = CaptureExif(exifBytes, static_cast<std::size_t>(exif.size()));
    }
    return picture;
}

} // namespace imaging
