#include "JpegDecoder.h"

#include "imaging/Bitmap24.h"
#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {

namespace {

// Progressive files with thousands of tiny scans take minutes to decode; no camera or
// editor writes more than a few dozen.
constexpr int kMaxScans = 500;

// libjpeg's default error handler prints and ends the process. Ours jumps back to the
// setjmp of the phase that is running. Only the functions marked "libjpeg phase" below
// call setjmp; they keep no object with a destructor in their frames, so the jump
// skips no destructor.
struct ErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg sees only this part
    std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings that only concern metadata; everything else (truncation, damaged entropy
// data) means parts of the picture would be made up, and the load fails.
bool IsHarmless(int code)
{
    switch (code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
        return true;
    default:
        return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && !IsHarmless(cinfo->err->msg_code))
        Fail(cinfo);
}

void OutputMessage(j_common_ptr) {}

void CheckScanCount(j_common_ptr cinfo)
{
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->progressive_mode && dinfo->input_scan_number > kMaxScans)
        Fail(cinfo);
}

// Owns one libjpeg decompressor with our error manager.
class Decompressor {
public:
    Decompressor()
    {
        cinfo.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = Fail;
        errors.pub.emit_message = EmitMessage;
        errors.pub.output_message = OutputMessage;
        progress.progress_monitor = CheckScanCount;
    }
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    bool cmyk = false;
    const std::uint8_t* exif = nullptr; // APP1 payload, owned by cinfo's memory pool
    std::size_t exifSize = 0;
};

// libjpeg phase: create the decompressor and read the headers up to the first scan.
bool ReadHeader(Decompressor& d, const std::uint8_t* data, std::size_t size, std::int64_t memoryLimit)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.progress = &d.progress;
    // Whole-image buffers (progressive files) beyond this fail instead of exhausting memory.
    d.cinfo.mem->max_memory_to_use = static_cast<long>(memoryLimit);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK)
        return false;

    switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        d.cinfo.out_color_space = JCS_EXT_BGR; // the DIB's byte order, no conversion pass
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK; // libjpeg has no CMYK to RGB; done per row below
        d.cmyk = true;
        break;
    default:
        return false;
    }
    jpeg_calc_output_dimensions(&d.cinfo);

    for (jpeg_saved_marker_ptr marker = d.cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6
            && std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
            d.exif = marker->data;
            d.exifSize = marker->data_length;
            break;
        }
    }
    return true;
}

// Adobe-style CMYK (stored inverted: 255 is no ink) to blue, green, red.
void CmykRowToBgr(const JSAMPLE* from, std::uint8_t* to, JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, from += 4, to += 3) {
        const unsigned k = from[3];
        to[0] = static_cast<std::uint8_t>((from[2] * k + 127) / 255);
        to[1] = static_cast<std::uint8_t>((from[1] * k + 127) / 255);
        to[2] = static_cast<std::uint8_t>((from[0] * k + 127) / 255);
    }
}

// libjpeg phase: decode every row straight into the bottom-up bitmap.
bool DecodeRows(Decompressor& d, const Bitmap24& target)
{
    if (setjmp(d.errors.jump))
        return false;
    if (!jpeg_start_decompress(&d.cinfo))
        return false;
    if (d.cinfo.output_width != static_cast<JDIMENSION>(target.width)
        || d.cinfo.output_height != static_cast<JDIMENSION>(target.height))
        return false;
    if (d.cmyk) {
        JSAMPARRAY row = (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE,
                                                      d.cinfo.output_width * 4, 1);
        while (d.cinfo.output_scanline < d.cinfo.output_height) {
            const auto y = static_cast<std::int32_t>(d.cinfo.output_scanline);
            if (jpeg_read_scanlines(&d.cinfo, row, 1) != 1)
                return false;
            CmykRowToBgr(row[0], target.RowFromTop(y), d.cinfo.output_width);
        }
    } else {
        constexpr int kBatch = 16;
        JSAMPROW rows[kBatch];
        while (d.cinfo.output_scanline < d.cinfo.output_height) {
            const auto y = static_cast<std::int32_t>(d.cinfo.output_scanline);
            const int count = static_cast<int>(std::min<JDIMENSION>(kBatch, d.cinfo.output_height - y));
            for (int i = 0; i < count; ++i)
                rows[i] = target.RowFromTop(y + i);
            if (jpeg_read_scanlines(&d.cinfo, rows, static_cast<JDIMENSION>(count)) == 0)
                return false;
        }
    }
    return jpeg_finish_decompress(&d.cinfo) != 0;
}

} // namespace

Picture DecodeJpeg(const std::uint8_t* data, std::size_t size)
{
    if (!data || size == 0 || size > 0x7FFFFFFF)
        return {};
    Decompressor decoder;
    if (!ReadHeader(decoder, data, size, AvailableMemoryBytes() / 2))
        return {};

    const int orientation = ExifOrientation(decoder.exif, decoder.exifSize);
    const auto width = static_cast<std::int32_t>(decoder.cinfo.output_width);
    const auto height = static_cast<std::int32_t>(decoder.cinfo.output_height);
    // Turning the picture upright needs a second bitmap for a moment.
    if (!FitsInMemory(width, height, orientation == 1 ? 1 : 2))
        return {};
    Bitmap24 stored = NewBitmap24(width, height);
    if (!stored.bits)
        return {};
    // Whatever the bitmaps leave is what whole-image buffers of progressive files may use.
    const std::int64_t bitmapBytes = stored.stride * height * (orientation == 1 ? 1 : 2);
    decoder.cinfo.mem->max_memory_to_use
        = static_cast<long>(std::max<std::int64_t>(AvailableMemoryBytes() - bitmapBytes, std::int64_t{64} << 20));
    if (!DecodeRows(decoder, stored))
        return {};
    if (orientation == 1)
        return std::move(stored.picture);
    return std::move(Orient(stored, orientation).picture);
}

} // namespace imaging
