#include "PngDecoder.h"

#include "imaging/CaptureDate.h"
#include "imaging/ExifOrientation.h"
#include "imaging/PictureFormat.h"
#include "imaging/SampleRows.h"
#include "imaging/UprightPicture.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// libpng reports errors through a callback that must not return; ours keeps the message
// and jumps back to the setjmp of the phase that runs. As in the JPEG decoder, only the
// functions marked "libpng phase" call setjmp, and they hold no object with a destructor.
struct Reader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    char message[200] = {};
};

void KeepError(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    std::strncpy(reader->message, message ? message : "", sizeof reader->message - 1);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position)
        png_error(png, "the data ends early");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

// Owns libpng's read and info structures.
class Decoder {
public:
    Decoder(const std::uint8_t* data, std::size_t size)
    {
        reader.data = data;
        reader.size = size;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, KeepError, IgnoreWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~Decoder()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    QString Failure() const
    {
        if (!png || !info)
            return QStringLiteral("not enough memory to decode the picture");
        return QStringLiteral("truncated or damaged PNG data (libpng: %1)").arg(QString::fromUtf8(reader.message));
    }

    Reader reader;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// libpng phase: read the chunks up to the image data and set the transformations that
// leave 8- or 16-bit RGB or RGBA.
bool ReadHeader(Decoder& d)
{
    if (!d.png || !d.info || setjmp(png_jmpbuf(d.png)))
        return false;
    png_set_read_fn(d.png, &d.reader, ReadFromMemory);
    // Our own size checks come next; libpng's limits are only the outer fence.
    png_set_user_limits(d.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(d.png, d.info);
    png_set_expand(d.png); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_gray_to_rgb(d.png);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    return true;
}

// libpng phase: decode every row into rows.
bool ReadImage(Decoder& d, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_read_image(d.png, rows);
    return true;
}

// libpng phase: read the chunks after the image data (an eXIf may stand there). A fault
// there costs only that metadata.
void ReadEnd(Decoder& d)
{
    if (setjmp(png_jmpbuf(d.png)))
        return;
    png_read_end(d.png, d.info);
}

} // namespace

bool ProbePng(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height)
{
    Decoder decoder(data, size);
    if (!ReadHeader(decoder))
        return false;
    *width = static_cast<std::int32_t>(png_get_image_width(decoder.png, decoder.info));
    *height = static_cast<std::int32_t>(png_get_image_height(decoder.png, decoder.info));
    return *width > 0 && *height > 0;
}

Picture DecodePng(const std::uint8_t* data, std::size_t size, QString* failure, PhotoMetadata* metadata)
{
    const auto fail = [&](const QString& why) {
        if (failure)
            *failure = why;
        return Picture();
    };
    Decoder decoder(data, size);
    if (!ReadHeader(decoder))
        return fail(decoder.Failure());
    const png_uint_32 storedWidth = png_get_image_width(decoder.png, decoder.info);
    const png_uint_32 storedHeight = png_get_image_height(decoder.png, decoder.info);
    if (storedWidth == 0 || storedHeight == 0 || storedWidth > 0x7FFFFFFF || storedHeight > 0x7FFFFFFF)
        return fail(QStringLiteral("picture too large (%1 x %2)").arg(storedWidth).arg(storedHeight));
    const auto width = static_cast<std::int32_t>(storedWidth);
    const auto height = static_cast<std::int32_t>(storedHeight);
    SampleLayout layout;
    layout.channels = png_get_channels(decoder.png, decoder.info);
    layout.bytesPerSample = png_get_bit_depth(decoder.png, decoder.info) == 16 ? 2 : 1;
    layout.bigEndian = true;
    layout.maxValue = layout.bytesPerSample == 2 ? 65535 : 255;
    if (layout.channels != 3 && layout.channels != 4)
        return fail(QStringLiteral("unsupported PNG layout (%1 channels)").arg(layout.channels));
    // The whole picture is decoded first (interlaced pictures come in passes), then
    // placed upright.
    const std::size_t rowBytes = png_get_rowbytes(decoder.png, decoder.info);
    const std::int64_t decodedBytes = static_cast<std::int64_t>(rowBytes) * height;
    const QString refusal = SizeRefusal(width, height, decodedBytes);
    if (!refusal.isEmpty())
        return fail(refusal);
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    try {
        pixels.resize(static_cast<std::size_t>(decodedBytes));
        rows.resize(storedHeight);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("not enough memory for the picture (%1 x %2)").arg(width).arg(height));
    }
    for (png_uint_32 y = 0; y < storedHeight; ++y)
        rows[y] = pixels.data() + rowBytes * y;
    if (!ReadImage(decoder, rows.data()))
        return fail(decoder.Failure());
    ReadEnd(decoder);

    QByteArray exif;
    png_uint_32 exifSize = 0;
    png_bytep exifData = nullptr;
    if (png_get_eXIf_1(decoder.png, decoder.info, &exifSize, &exifData) != 0)
        exif = ExifPayload(exifData, exifSize);
    const auto* exifBytes = reinterpret_cast<const std::uint8_t*>(exif.constData());
    const int orientation = ExifOrientation(exifBytes, static_cast<std::size_t>(exif.size()));
    Picture picture = BuildUpright(
        width, height, orientation,
        [&](std::int32_t first, int count, std::uint8_t* const* out) {
            for (int i = 0; i < count; ++i)
                ToBgrOnWhite(rows[static_cast<std::size_t>(first + i)], out[i], width, layout);
        },
        failure);
    if (metadata && !picture.IsEmpty()) {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 profileSize = 0;
        if (png_get_iCCP(decoder.png, decoder.info, &name, &compression, &profile, &profileSize) != 0 && profile)
            metadata->iccProfile = QByteArray(reinterpret_cast<const char*>(profile), profileSize);
        metadata->captureExif = CaptureExif(exifBytes, static_cast<std::size_t>(exif.size()));
    }
    return picture;
}

} // namespace imaging
