#include "PictureTestFiles.h"

#include "JpegTestFiles.h"

#include <QBuffer>

#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <memory>

namespace testfiles {

namespace {

template <typename T, auto Free>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using HeifContext = std::unique_ptr<heif_context, Deleter<heif_context, heif_context_free>>;
using HeifEncoder = std::unique_ptr<heif_encoder, Deleter<heif_encoder, heif_encoder_release>>;
using HeifImage = std::unique_ptr<heif_image, Deleter<heif_image, heif_image_release>>;
using HeifOptions = std::unique_ptr<heif_encoding_options, Deleter<heif_encoding_options, heif_encoding_options_free>>;
using HeifNclx =
    std::unique_ptr<heif_color_profile_nclx, Deleter<heif_color_profile_nclx, heif_nclx_color_profile_free>>;
using HeifHandle = std::unique_ptr<heif_image_handle, Deleter<heif_image_handle, heif_image_handle_release>>;
using WebPMuxer = std::unique_ptr<WebPMux, Deleter<WebPMux, WebPMuxDelete>>;

heif_error AppendBytes(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

QByteArray EncodeHeic(const QImage& source, const HeicOptions& options)
{
    heif_init(nullptr);
    const HeifContext context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return {};
    const HeifEncoder encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), options.quality);

    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    const int width = image.width(), height = image.height();
    const int channels = options.alpha ? 4 : 3;
    const heif_chroma chroma = options.tenBit
        ? (options.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
        : (options.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* rawImage = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, chroma, &rawImage).code != heif_error_Ok)
        return {};
    const HeifImage picture(rawImage);
    const int depth = options.tenBit ? 10 : 8;
    heif_image_add_plane(picture.get(), heif_channel_interleaved, width, height, depth);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        const uchar* from = image.constScanLine(y);
        std::uint8_t* to = plane + static_cast<std::ptrdiff_t>(stride) * y;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const int value = from[4 * x + c];
                if (options.tenBit) {
                    const int deep = (value * 1023 + 127) / 255;
                    to[2 * (channels * x + c)] = static_cast<std::uint8_t>(deep & 0xFF);
                    to[2 * (channels * x + c) + 1] = static_cast<std::uint8_t>(deep >> 8);
                } else {
                    to[channels * x + c] = static_cast<std::uint8_t>(value);
                }
            }
        }
    }
    if (!options.iccProfile.isEmpty())
        heif_image_set_raw_color_profile(picture.get(), "prof", options.iccProfile.constData(),
                                         static_cast<size_t>(options.iccProfile.size()));
    const HeifOptions encoding(heif_encoding_options_alloc());
    encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
    HeifNclx nclx;
    if (options.nclxPrimaries != 0) {
        nclx.reset(heif_nclx_color_profile_alloc());
        heif_nclx_color_profile_set_color_primaries(nclx.get(), static_cast<std::uint16_t>(options.nclxPrimaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx.get(), 13);
        heif_nclx_color_profile_set_matrix_coefficients(nclx.get(), 6);
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(picture.get(), nclx.get());
        encoding->output_nclx_profile = nclx.get();
        encoding->macOS_compatibility_workaround_no_nclx_profile = 0;
    }
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_encode_image(context.get(), picture.get(), encoder.get(), encoding.get(), &rawHandle).code
        != heif_error_Ok)
        return {};
    const HeifHandle handle(rawHandle);
    if (!options.exifTiff.isEmpty())
        heif_context_add_exif_metadata(context.get(), handle.get(), options.exifTiff.constData(),
                                       static_cast<int>(options.exifTiff.size()));
    QByteArray bytes;
    heif_writer writer{1, AppendBytes};
    if (heif_context_write(context.get(), &writer, &bytes).code != heif_error_Ok)
        return {};
    return bytes;
}

QByteArray EncodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    const auto u32 = [](quint32 v) {
        return QByteArray(1, char(v >> 24)) + char((v >> 16) & 0xFF) + char((v >> 8) & 0xFF) + char(v & 0xFF);
    };
    const QByteArray body = QByteArray(type, 4) + data;
    const auto crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    return u32(static_cast<quint32>(data.size())) + body + u32(crc);
}

QByteArray WithPngChunk(const QByteArray& png, const char* type, const QByteArray& data)
{
    const qsizetype afterHeader = 8 + 4 + 4 + 13 + 4;
    return png.left(afterHeader) + PngChunk(type, data) + png.mid(afterHeader);
}

QByteArray EncodeWebP(const QImage& source, bool lossless, int quality, const QByteArray& exifTiff,
                      const QByteArray& iccProfile)
{
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    std::uint8_t* output = nullptr;
    const std::size_t size = lossless
        ? WebPEncodeLosslessRGBA(image.constBits(), image.width(), image.height(),
                                 static_cast<int>(image.bytesPerLine()), &output)
        : WebPEncodeRGBA(image.constBits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine()),
                         static_cast<float>(quality), &output);
    QByteArray bytes(reinterpret_cast<const char*>(output), static_cast<qsizetype>(size));
    WebPFree(output);
    if (size == 0 || (exifTiff.isEmpty() && iccProfile.isEmpty()))
        return size == 0 ? QByteArray() : bytes;
    const WebPData plain{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
    const WebPMuxer mux(WebPMuxCreate(&plain, 1));
    if (!mux)
        return {};
    const auto chunk = [](const QByteArray& b) {
        return WebPData{reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<size_t>(b.size())};
    };
    if (!exifTiff.isEmpty()) {
        const WebPData exif = chunk(exifTiff);
        WebPMuxSetChunk(mux.get(), "EXIF", &exif, 1);
    }
    if (!iccProfile.isEmpty()) {
        const WebPData icc = chunk(iccProfile);
        WebPMuxSetChunk(mux.get(), "ICCP", &icc, 1);
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return {};
    QByteArray result(reinterpret_cast<const char*>(assembled.bytes), static_cast<qsizetype>(assembled.size));
    WebPDataClear(&assembled);
    return result;
}

QByteArray EncodeAnimatedWebP(const QList<QImage>& frames)
{
    const WebPMuxer mux(WebPMuxNew());
    QList<QByteArray> encoded;
    for (const QImage& frame : frames)
        encoded.append(EncodeWebP(frame, true));
    for (const QByteArray& bytes : encoded) {
        WebPMuxFrameInfo info{};
        info.bitstream = WebPData{reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<size_t>(bytes.size())};
        info.duration = 100;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        if (WebPMuxPushFrame(mux.get(), &info, 1) != WEBP_MUX_OK)
            return {};
    }
    WebPMuxAnimParams params{0xFFFFFFFF, 0};
    WebPMuxSetAnimationParams(mux.get(), &params);
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return {};
    QByteArray result(reinterpret_cast<const char*>(assembled.bytes), static_cast<qsizetype>(assembled.size));
    WebPDataClear(&assembled);
    return result;
}

QByteArray CameraExifTiff(int orientation, const QByteArray& original)
{
    return CameraExifSegment(orientation, original, original).mid(4 + 6);
}

QImage MarkedGradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb(40 + 160 * x / width, 40 + 160 * y / height, 200 - 120 * (x + y) / (width + height)));
    }
    for (int y = 0; y < height / 4; ++y) {
        for (int x = 0; x < width / 4; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    }
    return image;
}

QMap<QString, QSize> WriteMixedFolder(const QString& folder)
{
    HeicOptions turned;
    turned.orientation = 6;
    turned.exifTiff = CameraExifTiff(1, "2024:05:17 09:41:07");
    QImage transparent = MarkedGradient(60, 40).convertToFormat(QImage::Format_RGBA64);
    transparent.setPixelColor(59, 39, QColor(0, 0, 0, 0));
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"IMG_0412.HEIC", EncodeHeic(MarkedGradient(64, 48), turned)},
        {"b.png", EncodePng(transparent)},
        {"c.webp", EncodeWebP(MarkedGradient(80, 40), false)},
        {"d.WebP", EncodeWebP(MarkedGradient(40, 40), true)},
        {"e.jpg", EncodeJpeg(MarkedGradient(64, 48))},
        {"p.heic", EncodeHeic(MarkedGradient(64, 64))},
        {"p.jpg", EncodeJpeg(MarkedGradient(20, 10))},
    };
    for (const auto& file : files) {
        if (file.bytes.isEmpty() || !WriteFile(folder + u'/' + QLatin1String(file.name), file.bytes))
            return {};
    }
    return {{"IMG_0412.jpg", {24, 32}}, {"b.jpg", {32, 21}}, {"c.jpg", {32, 16}},
            {"d.jpg", {32, 32}},        {"e.jpg", {32, 24}}, {"p.jpg", {20, 10}}};
}

} // namespace testfiles
