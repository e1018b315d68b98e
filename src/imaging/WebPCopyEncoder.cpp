#include "WebPCopyEncoder.h"

#include "imaging/aDIBSection.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace imaging {

namespace {

QByteArray Fail(QString* failure, const QString& why)
{
    if (failure)
        *failure = why;
    return {};
}

struct PictureOwner {
    WebPPicture picture{};
    ~PictureOwner() { WebPPictureFree(&picture); }
};

struct WriterOwner {
    WebPMemoryWriter writer{};
    WriterOwner() { WebPMemoryWriterInit(&writer); }
    ~WriterOwner() { WebPMemoryWriterClear(&writer); }
};

struct MuxDelete {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

struct DataOwner {
    WebPData data{};
    ~DataOwner() { WebPDataClear(&data); }
};

// Adds the chunks to the encoded picture; empty on failure.
QByteArray WithChunks(const WebPMemoryWriter& encoded, const QByteArray& icc, const QByteArray& exif)
{
    const std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxNew());
    if (!mux)
        return {};
    const WebPData image{encoded.mem, encoded.size};
    if (WebPMuxSetImage(mux.get(), &image, 0) != WEBP_MUX_OK)
        return {};
    if (!icc.isEmpty()) {
        const WebPData chunk{reinterpret_cast<const std::uint8_t*>(icc.constData()),
                             static_cast<std::size_t>(icc.size())};
        if (WebPMuxSetChunk(mux.get(), "ICCP", &chunk, 1) != WEBP_MUX_OK)
            return {};
    }
    if (!exif.isEmpty()) {
        const WebPData chunk{reinterpret_cast<const std::uint8_t*>(exif.constData()),
                             static_cast<std::size_t>(exif.size())};
        if (WebPMuxSetChunk(mux.get(), "EXIF", &chunk, 1) != WEBP_MUX_OK)
            return {};
    }
    DataOwner assembled;
    if (WebPMuxAssemble(mux.get(), &assembled.data) != WEBP_MUX_OK)
        return {};
    return QByteArray(reinterpret_cast<const char*>(assembled.data.bytes), static_cast<qsizetype>(assembled.data.size));
}

} // namespace

QByteArray EncodeWebPCopy(const aDIBSection& bitmap, std::int32_t quality, const PhotoMetadata* metadata,
                          QString* failure)
{
    const std::int32_t width = bitmap.Width();
    const std::int32_t height = bitmap.Height();
    if (!bitmap.DIBSectionBitsPtr() || width <= 0 || height <= 0)
        return Fail(failure, QStringLiteral("no picture to write"));
    if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
        return Fail(failure, QStringLiteral("picture too large for WebP (%1 x %2)").arg(width).arg(height));

    WebPConfig config;
    if (!WebPConfigInit(&config))
        return Fail(failure, QStringLiteral("cannot set up the WebP encoder (library version mismatch)"));
    config.quality = static_cast<float>(std::clamp(quality, 0, 100));
    PictureOwner owner;
    WebPPicture& picture = owner.picture;
    if (!WebPPictureInit(&picture))
        return Fail(failure, QStringLiteral("cannot set up the WebP encoder (library version mismatch)"));
    picture.width = width;
    picture.height = height;
    {
        // libwebp reads rows top-down; the bitmap's memory is bottom-up.
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        std::vector<std::uint8_t> topDown(rowBytes * static_cast<std::size_t>(height));
        for (std::int32_t y = 0; y < height; ++y)
            std::memcpy(topDown.data() + rowBytes * static_cast<std::size_t>(y),
                        bitmap.DIBSectionBitsPtr() + std::int64_t{height - 1 - y} * bitmap.BytesPerScanLine(),
                        rowBytes);
        if (!WebPPictureImportBGR(&picture, topDown.data(), static_cast<int>(rowBytes)))
            return Fail(failure, QStringLiteral("not enough memory to encode the picture as WebP"));
    }
    WriterOwner writer;
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer.writer;
    if (!WebPEncode(&config, &picture))
        return Fail(failure,
                    QStringLiteral("cannot encode the picture as WebP (libwebp error %1)")
                        .arg(static_cast<int>(picture.error_code)));

    QByteArray icc;
    QByteArray exif;
    if (metadata) {
        icc = metadata->iccProfile;
        // WebP's EXIF chunk starts with the TIFF header itself.
        exif = metadata->captureExif.startsWith(QByteArray("Exif\0\0", 6)) ? metadata->captureExif.mid(6)
                                                                           : metadata->captureExif;
    }
    if (icc.isEmpty() && exif.isEmpty())
        return QByteArray(reinterpret_cast<const char*>(writer.writer.mem), static_cast<qsizetype>(writer.writer.size));
    QByteArray file = WithChunks(writer.writer, icc, exif);
    if (file.isEmpty())
        return Fail(failure, QStringLiteral("cannot add the colour profile or capture date to the WebP file"));
    return file;
}

} // namespace imaging
