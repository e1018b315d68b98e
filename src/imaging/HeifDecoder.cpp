#include "HeifDecoder.h"

#include "imaging/CaptureDate.h"
#include "imaging/NclxProfile.h"
#include "imaging/PictureFormat.h"
#include "imaging/SampleRows.h"
#include "imaging/UprightPicture.h"

#include <libheif/heif.h>

#include <memory>
#include <vector>

namespace imaging {

namespace {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

// Once per process; the library counts its users and is never left before the end.
void InitialiseOnce()
{
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)initialised;
}

QString Described(const heif_error& error)
{
    const QString library = QString::fromUtf8(error.message ? error.message : "");
    // An item type this libheif does not know (VVC, say) is a codec it has no decoder for.
    if (error.code == heif_error_Unsupported_feature
        && (error.subcode == heif_suberror_Unsupported_codec || error.subcode == heif_suberror_Unsupported_image_type))
        return QStringLiteral("no decoder here for the compression of this HEIF picture (libheif: %1)").arg(library);
    if (error.code == heif_error_Memory_allocation_error)
        return QStringLiteral("not enough memory to decode the picture (libheif: %1)").arg(library);
    if (error.code == heif_error_Unsupported_filetype || error.code == heif_error_Unsupported_feature)
        return QStringLiteral("unsupported HEIF file (libheif: %1)").arg(library);
    return QStringLiteral("truncated or damaged HEIF data (libheif: %1)").arg(library);
}

// The primary picture's handle, or null with *failure set.
Handle OpenPrimary(heif_context* context, const std::uint8_t* data, std::size_t size, QString* failure)
{
    heif_error error = heif_context_read_from_memory_without_copy(context, data, size, nullptr);
    heif_image_handle* handle = nullptr;
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(context, &handle);
    if (error.code != heif_error_Ok) {
        *failure = Described(error);
        return {};
    }
    return Handle(handle);
}

QByteArray ColourProfile(heif_image_handle* handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        QByteArray profile(static_cast<qsizetype>(heif_image_handle_get_raw_color_profile_size(handle)), '\0');
        if (!profile.isEmpty() && heif_image_handle_get_raw_color_profile(handle, profile.data()).code == heif_error_Ok)
            return profile;
        return {};
    }
    heif_color_profile_nclx* found = nullptr;
    if (type != heif_color_profile_type_nclx
        || heif_image_handle_get_nclx_color_profile(handle, &found).code != heif_error_Ok || !found)
        return {};
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(found);
    NclxColours colours;
    colours.primaries = nclx->color_primaries;
    colours.transfer = nclx->transfer_characteristics;
    colours.red[0] = nclx->color_primary_red_x;
    colours.red[1] = nclx->color_primary_red_y;
    colours.green[0] = nclx->color_primary_green_x;
    colours.green[1] = nclx->color_primary_green_y;
    colours.blue[0] = nclx->color_primary_blue_x;
    colours.blue[1] = nclx->color_primary_blue_y;
    colours.white[0] = nclx->color_primary_white_x;
    colours.white[1] = nclx->color_primary_white_y;
    return IccProfileFor(colours);
}

// The capture date of the first EXIF block. HEIF stores the TIFF data behind a 4-byte
// offset to its header.
QByteArray CaptureDateOf(heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > (std::size_t{1} << 24))
        return {};
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    const std::size_t offset = (std::size_t{block[0]} << 24) | (std::size_t{block[1]} << 16)
        | (std::size_t{block[2]} << 8) | block[3];
    if (offset > size - 4)
        return {};
    const QByteArray exif = ExifPayload(block.data() + 4 + offset, size - 4 - offset);
    return CaptureExif(reinterpret_cast<const std::uint8_t*>(exif.constData()), static_cast<std::size_t>(exif.size()));
}

} // namespace

bool ProbeHeif(const std::uint8_t* data, std::size_t size, std::int32_t* width, std::int32_t* height)
{
    InitialiseOnce();
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    QString failure;
    const Handle handle = context ? OpenPrimary(context.get(), data, size, &failure) : Handle();
    if (!handle)
        return false;
    *width = heif_image_handle_get_width(handle.get());
    *height = heif_image_handle_get_height(handle.get());
    return *width > 0 && *height > 0;
}

Picture DecodeHeif(const std::uint8_t* data, std::size_t size, QString* failure, PhotoMetadata* metadata)
{
    QString why;
    const auto fail = [&](const QString& text) {
        if (failure)
            *failure = text;
        return Picture();
    };
    InitialiseOnce();
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        return fail(QStringLiteral("not enough memory to decode the picture"));
    const Handle handle = OpenPrimary(context.get(), data, size, &why);
    if (!handle)
        return fail(why);

    const std::int32_t width = heif_image_handle_get_width(handle.get());
    const std::int32_t height = heif_image_handle_get_height(handle.get());
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8;
    SampleLayout layout;
    layout.channels = alpha ? 4 : 3;
    layout.bytesPerSample = deep ? 2 : 1;
    layout.premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    // libheif holds the coded planes and the RGB picture it converts them to.
    const std::int64_t pixels = std::int64_t{width} * height;
    const QString refusal = SizeRefusal(width, height, pixels * (layout.channels + 3) * layout.bytesPerSample);
    if (!refusal.isEmpty())
        return fail(refusal);

    // Above 8 bits the samples come whole, so the reduction to 8 rounds (libheif's own
    // shifts would cut).
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        return fail(QStringLiteral("not enough memory to decode the picture"));
    options->ignore_transformations = 0;
    heif_image* decoded = nullptr;
    const heif_error error = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB, chroma, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (error.code != heif_error_Ok || !image)
        return fail(Described(error));
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int imageWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int imageHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    if (!plane || imageWidth <= 0 || imageHeight <= 0 || stride < imageWidth * layout.channels * layout.bytesPerSample
        || bits < 8 || bits > 16)
        return fail(QStringLiteral("truncated or damaged HEIF data (no picture came out)"));
    layout.maxValue = (std::uint32_t{1} << bits) - 1;

    Picture picture = BuildUpright(
        imageWidth, imageHeight, 1,
        [&](std::int32_t first, int count, std::uint8_t* const* out) {
            for (int i = 0; i < count; ++i)
                ToBgrOnWhite(plane + std::int64_t{stride} * (first + i), out[i], imageWidth, layout);
        },
        failure);
    if (metadata && !picture.IsEmpty()) {
        metadata->iccProfile = ColourProfile(handle.get());
        metadata->captureExif = CaptureDateOf(handle.get());
    }
    return picture;
}

} // namespace imaging
