#include "JpegDecoder.h"

#include "imaging/Bitmap24.h"
#include "imaging/CaptureDate.h"
#include "imaging/ExifOrientation.h"
#include "imaging/JpegMessageCodes.h"
#include "imaging/Lanczos3.h"
#include "imaging/StreamedResample.h"
#include "imaging/UprightPicture.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

namespace imaging {

namespace {

// Progressive files with thousands of tiny scans take minutes to decode; no camera or
// editor writes more than a few dozen.
constexpr int kMaxScans = 500;

// Stored rows decoded in one go: a band of 4:2:0 rows, which libjpeg produces together.
// Sideways photos are placed upright a band at a time from a buffer this high.
constexpr int kBandRows = 16;

// libjpeg's default error handler prints and ends the process. Ours keeps the message
// (with where in the data it arose) and jumps back to the setjmp of the phase that is
// running. Only the functions marked "libjpeg phase" below call setjmp; they keep no
// object with a destructor in their frames, so the jump skips no destructor. Each
// decoder has its own, so threads never share one.
struct ErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg sees only this part
    std::jmp_buf jump;
    const std::uint8_t* data = nullptr; // the file, to tell the position of a fault
    std::size_t size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    int code = 0;             // libjpeg's code of the kept message
    std::size_t position = 0; // bytes of the file read when it arose
    bool tooManyScans = false;
};

ErrorManager& ErrorsOf(j_common_ptr cinfo)
{
    return *reinterpret_cast<ErrorManager*>(cinfo->err);
}

// Keeps the message in libjpeg's own words instead of printing it.
void KeepMessage(j_common_ptr cinfo)
{
    ErrorManager& errors = ErrorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors.message);
    errors.code = cinfo->err->msg_code;
    // The end of the data shows only when every byte was read. Elsewhere the source's
    // position is where the decoder stands, give or take the block it is decoding.
    errors.position = errors.size;
    const jpeg_source_mgr* source = cinfo->is_decompressor ? reinterpret_cast<j_decompress_ptr>(cinfo)->src : nullptr;
    if (errors.code != JWRN_JPEG_EOF && source && source->next_input_byte >= errors.data
        && source->next_input_byte <= errors.data + errors.size)
        errors.position = static_cast<std::size_t>(source->next_input_byte - errors.data);
}

[[noreturn]] void Fail(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(ErrorsOf(cinfo).jump, 1);
}

// Harmless warnings leave the picture whole; any other one fails the load.
bool IsHarmless(int code)
{
    return std::find(std::begin(kHarmlessJpegWarnings), std::end(kHarmlessJpegWarnings), code)
        != std::end(kHarmlessJpegWarnings);
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && !IsHarmless(cinfo->err->msg_code))
        Fail(cinfo);
}

void CheckScanCount(j_common_ptr cinfo)
{
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->progressive_mode && dinfo->input_scan_number > kMaxScans) {
        ErrorsOf(cinfo).tooManyScans = true;
        std::longjmp(ErrorsOf(cinfo).jump, 1);
    }
}

// The whole-picture coefficient arrays of progressive (and other multi-scan) files live
// in pixel memory from the worker's pool, not in libjpeg's own fresh allocations: the
// pages are faulted in once per run, and zeroed once per picture instead of twice (by
// the kernel and again by libjpeg). libjpeg reaches them only through these three
// memory-manager methods; its other arrays stay its own.
struct PooledBlockArray {
    JDIMENSION blocksPerRow = 0;
    JDIMENSION rows = 0;
    JBLOCKARRAY rowPointers = nullptr; // set when the arrays are realized
    PooledBlockArray* next = nullptr;
};

struct PooledArrays {
    PooledBlockArray* first = nullptr;
    void (*realizeOthers)(j_common_ptr) = nullptr; // libjpeg's own, for its sample arrays
    std::uint8_t* memory = nullptr;                // one block for all, from the pool
    std::int64_t capacity = 0;
};

PooledArrays& ArraysOf(j_common_ptr cinfo);

jvirt_barray_ptr RequestBlockArray(j_common_ptr cinfo, int poolId, boolean, JDIMENSION blocksPerRow, JDIMENSION rows,
                                   JDIMENSION)
{
    if (poolId != JPOOL_IMAGE)
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);
    void* place = (*cinfo->mem->alloc_small)(cinfo, JPOOL_IMAGE, sizeof(PooledBlockArray));
    auto* array = new (place) PooledBlockArray{blocksPerRow, rows, nullptr, ArraysOf(cinfo).first};
    ArraysOf(cinfo).first = array;
    return reinterpret_cast<jvirt_barray_ptr>(array);
}

void RealizeArrays(j_common_ptr cinfo)
{
    PooledArrays& arrays = ArraysOf(cinfo);
    arrays.realizeOthers(cinfo);
    std::int64_t total = 0;
    for (const PooledBlockArray* a = arrays.first; a; a = a->next)
        total += std::int64_t{a->blocksPerRow} * a->rows * static_cast<std::int64_t>(sizeof(JBLOCK));
    if (total == 0 || arrays.memory)
        return;
    if (total > cinfo->mem->max_memory_to_use)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    // Zeroed: a progressive scan adds to the coefficients earlier scans left.
    arrays.memory = TakePixelMemory(total, &arrays.capacity);
    if (!arrays.memory)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 11);
    auto* block = reinterpret_cast<JBLOCKROW>(arrays.memory);
    for (PooledBlockArray* a = arrays.first; a; a = a->next) {
        a->rowPointers = static_cast<JBLOCKARRAY>(
            (*cinfo->mem->alloc_small)(cinfo, JPOOL_IMAGE, std::size_t{a->rows} * sizeof(JBLOCKROW)));
        for (JDIMENSION row = 0; row < a->rows; ++row, block += a->blocksPerRow)
            a->rowPointers[row] = block;
    }
}

JBLOCKARRAY AccessBlockArray(j_common_ptr cinfo, jvirt_barray_ptr pointer, JDIMENSION startRow, JDIMENSION rows,
                             boolean)
{
    const auto* array = reinterpret_cast<const PooledBlockArray*>(pointer);
    if (!array->rowPointers || rows > array->rows || startRow > array->rows - rows)
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return array->rowPointers + startRow;
}

enum class IccDamage { None, CountsDisagree, NumberOutOfRange, Twice, Missing, Empty };

// Where the chunks of an embedded ICC profile stand in the file. A chunk's number is one
// byte counted from 1, so a profile has at most 255 of them and this needs no more room
// however many markers a file holds.
struct IccChunks {
    static constexpr int kMaxChunks = 255;
    std::array<const JOCTET*, kMaxChunks + 1> data{}; // by chunk number; the profile bytes
    std::array<std::size_t, kMaxChunks + 1> size{};
    int count = -1; // chunks the first ICC marker announced; -1: none seen
    IccDamage damage = IccDamage::None;
    int damagedChunk = 0;
};

// What the markers hold for the copy: pointers into the file's data, so nothing is
// copied and nothing lives in libjpeg's memory.
struct MarkerFinds {
    const JOCTET* exif = nullptr; // the first EXIF APP1 payload
    std::size_t exifSize = 0;
    IccChunks icc;
};

// What libjpeg hands back to our marker reader and memory methods through client_data.
struct DecoderState {
    PooledArrays arrays;
    MarkerFinds markers;
};

PooledArrays& ArraysOf(j_common_ptr cinfo)
{
    return static_cast<DecoderState*>(cinfo->client_data)->arrays;
}

constexpr std::size_t kIccHeader = 14; // "ICC_PROFILE\0", chunk number, chunk count

void NoteExif(MarkerFinds& finds, const JOCTET* payload, std::size_t size)
{
    if (!finds.exif && size >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0) {
        finds.exif = payload;
        finds.exifSize = size;
    }
}

// The chunks must agree on their count and each number from 1 to it must come once, as
// libjpeg's own reader of profiles demands; the first fault found is kept.
void NoteIccChunk(IccChunks& icc, const JOCTET* payload, std::size_t size)
{
    if (size < kIccHeader || std::memcmp(payload, "ICC_PROFILE", 12) != 0 || icc.damage != IccDamage::None)
        return;
    const int number = payload[12];
    const int count = payload[13];
    const auto damaged = [&](IccDamage damage) {
        icc.damage = damage;
        icc.damagedChunk = number;
    };
    if (icc.count < 0)
        icc.count = count;
    else if (count != icc.count)
        return damaged(IccDamage::CountsDisagree);
    if (number == 0 || number > icc.count)
        return damaged(IccDamage::NumberOutOfRange);
    if (icc.data[number])
        return damaged(IccDamage::Twice);
    icc.data[number] = payload + kIccHeader;
    icc.size[number] = size - kIccHeader;
}

// Reads one byte of a marker. libjpeg's memory source ends a file that is cut short
// with a warning, which fails the load.
unsigned NextByte(j_decompress_ptr cinfo)
{
    jpeg_source_mgr* source = cinfo->src;
    if (source->bytes_in_buffer == 0 && (!(*source->fill_input_buffer)(cinfo) || source->bytes_in_buffer == 0))
        ERREXIT(cinfo, JERR_INPUT_EMPTY);
    --source->bytes_in_buffer;
    return *source->next_input_byte++;
}

// libjpeg phase (inside jpeg_read_header): an APP1 or APP2 marker. Notes where the copy's
// metadata stands and skips the rest unread. libjpeg's own saving of markers appends
// each one by walking the list of those kept, so a file of a few hundred thousand empty
// markers took minutes; this costs the same for every marker.
boolean ReadAppMarker(j_decompress_ptr cinfo)
{
    auto& finds = static_cast<DecoderState*>(cinfo->client_data)->markers;
    const unsigned high = NextByte(cinfo);
    const unsigned length = high << 8 | NextByte(cinfo);
    const std::size_t size = length >= 2 ? length - 2 : 0; // the length counts its own two bytes
    jpeg_source_mgr* source = cinfo->src;
    if (size <= source->bytes_in_buffer) {
        if (cinfo->unread_marker == JPEG_APP0 + 1)
            NoteExif(finds, source->next_input_byte, size);
        else
            NoteIccChunk(finds.icc, source->next_input_byte, size);
    }
    if (size > 0)
        (*source->skip_input_data)(cinfo, static_cast<long>(size)); // past the end: a warning that fails
    return TRUE;
}

// The profile from its chunks, in order; empty when there is none. A damaged one is left
// out with the reason in *why.
QByteArray AssembledProfile(IccChunks& icc, QString* why)
{
    if (icc.count < 0)
        return {};
    std::size_t total = 0;
    for (int number = 1; icc.damage == IccDamage::None && number <= icc.count; ++number) {
        if (!icc.data[number]) {
            icc.damage = IccDamage::Missing;
            icc.damagedChunk = number;
        }
        total += icc.size[number];
    }
    if (icc.damage == IccDamage::None && total == 0)
        icc.damage = IccDamage::Empty;
    QString detail;
    switch (icc.damage) {
    case IccDamage::None: {
        QByteArray profile;
        profile.reserve(static_cast<qsizetype>(total));
        for (int number = 1; number <= icc.count; ++number)
            profile.append(reinterpret_cast<const char*>(icc.data[number]), static_cast<qsizetype>(icc.size[number]));
        return profile;
    }
    case IccDamage::CountsDisagree:
        detail = QStringLiteral("its chunks disagree on their count");
        break;
    case IccDamage::NumberOutOfRange:
        detail = QStringLiteral("chunk %1 of %2").arg(icc.damagedChunk).arg(icc.count);
        break;
    case IccDamage::Twice:
        detail = QStringLiteral("chunk %1 appears twice").arg(icc.damagedChunk);
        break;
    case IccDamage::Missing:
        detail = QStringLiteral("chunk %1 of %2 is missing").arg(icc.damagedChunk).arg(icc.count);
        break;
    case IccDamage::Empty:
        detail = QStringLiteral("no profile data");
        break;
    }
    *why = QStringLiteral("colour profile left out: damaged ICC marker (%1)").arg(detail);
    return {};
}

// Owns one libjpeg decompressor with our error manager.
class Decompressor {
public:
    Decompressor(const std::uint8_t* data, std::size_t size)
    {
        cinfo.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = Fail;
        errors.pub.emit_message = EmitMessage;
        errors.pub.output_message = KeepMessage;
        errors.data = data;
        errors.size = size;
        progress.progress_monitor = CheckScanCount;
    }
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
        GivePixelMemory(state.arrays.memory, state.arrays.capacity);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // Why the last phase failed, in English.
    QString Failure() const
    {
        if (errors.tooManyScans)
            return QStringLiteral("too many progressive scans (more than %1)").arg(kMaxScans);
        if (errors.code == JERR_IMAGE_TOO_BIG)
            return QStringLiteral("picture too large (%1 x %2)").arg(cinfo.image_width).arg(cinfo.image_height);
        const QString libjpeg = QString::fromLocal8Bit(errors.message);
        if (errors.code == JERR_OUT_OF_MEMORY)
            return QStringLiteral("not enough memory to decode the picture (libjpeg: %1)").arg(libjpeg);
        if (libjpeg.isEmpty())
            return QStringLiteral("damaged JPEG data");
        return QStringLiteral("truncated or damaged JPEG data at byte %1 (libjpeg: %2)")
            .arg(errors.position)
            .arg(libjpeg);
    }

    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    DecoderState state; // the marker finds and the pooled arrays
    bool created = false;
    bool cmyk = false;
    bool unsupportedColours = false;
};

// libjpeg phase: create the decompressor and read the headers up to the first scan.
bool ReadHeader(Decompressor& d, const std::uint8_t* data, std::size_t size, std::int64_t memoryLimit, bool wantProfile)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.progress = &d.progress;
    d.cinfo.client_data = &d.state;
    d.state.arrays.realizeOthers = d.cinfo.mem->realize_virt_arrays;
    d.cinfo.mem->request_virt_barray = RequestBlockArray;
    d.cinfo.mem->realize_virt_arrays = RealizeArrays;
    d.cinfo.mem->access_virt_barray = AccessBlockArray;
    // Whole-image buffers (progressive files) beyond this fail instead of exhausting memory.
    d.cinfo.mem->max_memory_to_use = static_cast<long>(memoryLimit);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_set_marker_processor(&d.cinfo, JPEG_APP0 + 1, ReadAppMarker);
    if (wantProfile)
        jpeg_set_marker_processor(&d.cinfo, JPEG_APP0 + 2, ReadAppMarker);
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
        d.unsupportedColours = true;
        return false;
    }
    jpeg_calc_output_dimensions(&d.cinfo);
    return true;
}

// libjpeg phase: decode at eighths/8 of the full size.
bool SetScale(Decompressor& d, int eighths)
{
    if (setjmp(d.errors.jump))
        return false;
    d.cinfo.scale_num = static_cast<unsigned>(eighths);
    d.cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&d.cinfo);
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

// Fills rows[0..count) with the next count scanlines; libjpeg may hand out fewer per call.
bool ReadRows(Decompressor& d, JSAMPROW* rows, JDIMENSION count)
{
    for (JDIMENSION done = 0; done < count;) {
        const JDIMENSION read = jpeg_read_scanlines(&d.cinfo, rows + done, count - done);
        if (read == 0)
            return false;
        done += read;
    }
    return true;
}

// libjpeg phase: decode every row, a band of stored rows at a time, into the upright
// bitmap as orientation says (see ExifOrientation.h), or, with a sampler, into the
// sampler's copy.
bool DecodeRows(Decompressor& d, const Bitmap24* target, int orientation, StoredRowSink* sampler,
                std::int32_t storedWidth, std::int32_t storedHeight)
{
    if (setjmp(d.errors.jump))
        return false;
    if (!jpeg_start_decompress(&d.cinfo))
        return false;
    const auto width = static_cast<std::int32_t>(d.cinfo.output_width);
    const auto height = static_cast<std::int32_t>(d.cinfo.output_height);
    const bool turns = SwapsEdges(orientation);
    if (width != storedWidth || height != storedHeight)
        return false;
    const auto alloc = [&](JDIMENSION rowBytes) {
        return (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE, rowBytes, kBandRows);
    };
    // Pool memory, released with the decompressor.
    const JSAMPARRAY band = turns || sampler ? alloc(d.cinfo.output_width * 3) : nullptr;
    const JSAMPARRAY cmykBand = d.cmyk ? alloc(d.cinfo.output_width * 4) : nullptr;

    JSAMPROW rows[kBandRows];
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const auto first = static_cast<std::int32_t>(d.cinfo.output_scanline);
        const int count = std::min(kBandRows, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = band ? band[i] : target->RowFromTop(UprightRow(orientation, first + i, height));
        if (d.cmyk) {
            if (!ReadRows(d, cmykBand, static_cast<JDIMENSION>(count)))
                return false;
            for (int i = 0; i < count; ++i)
                CmykRowToBgr(cmykBand[i], rows[i], d.cinfo.output_width);
        } else if (!ReadRows(d, rows, static_cast<JDIMENSION>(count))) {
            return false;
        }
        if (sampler) {
            sampler->Take(first, count, rows);
        } else if (turns) {
            PlaceTurnedRows(*target, rows, count, first, width, height, orientation);
        } else if (MirrorsRows(orientation)) {
            for (int i = 0; i < count; ++i)
                MirrorRow(rows[i], width);
        }
    }
    return jpeg_finish_decompress(&d.cinfo) != 0;
}

QString SizeText(std::int32_t width, std::int32_t height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

} // namespace

Picture DecodeJpeg(const std::uint8_t* data, std::size_t size, QString* failure, PhotoMetadata* metadata,
                   const DecodeScale& scale, QStringList* warnings, StoredDecode* stored)
{
    const auto fail = [&](const QString& why) {
        if (failure)
            *failure = why;
        return Picture();
    };
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return fail(QStringLiteral("not a JPEG file"));
    if (size > 0x7FFFFFFF)
        return fail(QStringLiteral("file too large (%1 bytes)").arg(size));
    Decompressor decoder(data, size);
    if (!ReadHeader(decoder, data, size, AvailableMemoryBytes() / 2, metadata != nullptr)) {
        if (decoder.unsupportedColours)
            return fail(
                QStringLiteral("unsupported JPEG colour space (%1 components)").arg(decoder.cinfo.num_components));
        return fail(decoder.Failure());
    }

    const MarkerFinds& markers = decoder.state.markers;
    const int exifTurn = ExifOrientation(markers.exif, markers.exifSize);
    const int orientation = stored ? 1 : exifTurn; // the turn applied here
    if (scale) {
        const auto fullWidth = static_cast<std::int32_t>(decoder.cinfo.output_width);
        const auto fullHeight = static_cast<std::int32_t>(decoder.cinfo.output_height);
        const int eighths = std::clamp(
            SwapsEdges(exifTurn) ? scale(fullHeight, fullWidth) : scale(fullWidth, fullHeight), 1, 8);
        if (eighths < 8 && !SetScale(decoder, eighths))
            return fail(decoder.Failure());
    }
    const auto storedWidth = static_cast<std::int32_t>(decoder.cinfo.output_width);
    const auto storedHeight = static_cast<std::int32_t>(decoder.cinfo.output_height);
    const std::int32_t width = SwapsEdges(orientation) ? storedHeight : storedWidth;
    const std::int32_t height = SwapsEdges(orientation) ? storedWidth : storedHeight;
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > gdi::kMaxBitmapPixels)
        return fail(QStringLiteral("picture too large (%1)").arg(SizeText(storedWidth, storedHeight)));
    // The bands (BGR and CMYK rows) are small next to the bitmap.
    const std::int64_t bandBytes = std::int64_t{kBandRows} * 7 * storedWidth;
    // Only damage to the picture fails it: damaged metadata costs itself, with a word why.
    const auto finish = [&](Picture picture) {
        if (metadata) {
            QString why;
            metadata->iccProfile = AssembledProfile(decoder.state.markers.icc, &why);
            if (!why.isEmpty() && warnings)
                warnings->append(why);
            bool damagedExif = false;
            metadata->captureExif = CaptureExif(markers.exif, markers.exifSize, &damagedExif);
            if (damagedExif && warnings)
                warnings->append(QStringLiteral("capture date left out: damaged EXIF block"));
        }
        return picture;
    };
    // Leaves libjpeg what the bitmaps leave for the whole-image buffers of progressive files.
    const auto limitDecoderMemory = [&](std::int64_t bitmapBytes) {
        decoder.cinfo.mem->max_memory_to_use = static_cast<long>(
            std::max<std::int64_t>(AvailableMemoryBytes() - bitmapBytes, std::int64_t{64} << 20));
    };

    if (stored) {
        stored->orientation = exifTurn;
        stored->reduced = false;
        stored->width = SwapsEdges(exifTurn) ? storedHeight : storedWidth;
        stored->height = SwapsEdges(exifTurn) ? storedWidth : storedHeight;
        const std::optional<CopySize> copy = stored->reduce ? stored->reduce(stored->width, stored->height)
                                                            : std::nullopt;
        if (copy && copy->width > 0 && copy->height > 0
            && (copy->width != stored->width || copy->height != stored->height)
            && FitsInMemory(copy->width, copy->height, 2, bandBytes + 3 * std::int64_t{storedWidth})) {
            // A Lanczos-3 copy is made of the stored picture, so its edges are the stored ones.
            const bool turnAfter = stored->lanczos3 && SwapsEdges(exifTurn);
            Bitmap24 reduced = NewBitmap24(turnAfter ? copy->height : copy->width,
                                           turnAfter ? copy->width : copy->height);
            std::unique_ptr<StoredRowSink> sink;
            if (reduced.bits) {
                try {
                    if (stored->lanczos3)
                        sink = std::make_unique<Lanczos3Stream>(storedWidth, storedHeight, reduced);
                    else
                        sink = std::make_unique<StreamedResample>(storedWidth, storedHeight, exifTurn, reduced);
                } catch (const std::exception&) {
                    // Sizes the resampler refuses, or no memory: the whole picture, for the
                    // caller to find out.
                }
            }
            if (sink) {
                limitDecoderMemory(2 * reduced.stride * reduced.height + bandBytes);
                if (!DecodeRows(decoder, nullptr, 1, sink.get(), storedWidth, storedHeight) || !sink->Complete())
                    return fail(decoder.Failure());
                Picture picture = std::move(reduced.picture);
                if (stored->lanczos3 && exifTurn != 1) {
                    picture = BuildUpright(
                        reduced.width, reduced.height, exifTurn,
                        [&reduced](std::int32_t first, int count, std::uint8_t* const* rows) {
                            for (int i = 0; i < count; ++i)
                                std::memcpy(rows[i], reduced.RowFromTop(first + i), 3 * std::size_t(reduced.width));
                        },
                        failure);
                    if (picture.IsEmpty())
                        return Picture();
                }
                stored->reduced = true;
                stored->orientation = 1;
                return finish(std::move(picture));
            }
        }
    }

    if (!FitsInMemory(width, height, 1, bandBytes))
        return fail(QStringLiteral("not enough memory for the picture (%1)").arg(SizeText(storedWidth, storedHeight)));
    Bitmap24 upright = NewBitmap24(width, height, true); // every pixel is decoded into it
    if (!upright.bits)
        return fail(QStringLiteral("not enough memory for the picture (%1)").arg(SizeText(storedWidth, storedHeight)));
    limitDecoderMemory(upright.stride * height + bandBytes);
    if (!DecodeRows(decoder, &upright, orientation, nullptr, storedWidth, storedHeight))
        return fail(decoder.Failure());
    return finish(std::move(upright.picture));
}

std::optional<PictureHeader> ReadJpegHeader(const ReadAt& read)
{
    std::uint8_t bytes[2 + 8 + 3 * 4];
    if (read(0, bytes, 2) != 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return std::nullopt;
    std::int64_t at = 2;
    // A file of nothing but markers ends by itself; the count only guards against a loop.
    for (int markers = 0; markers < 100000; ++markers) {
        if (read(at, bytes, 2) != 2 || bytes[0] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = bytes[1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length follows
            at += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) // a scan or the end before any frame
            return std::nullopt;
        if (read(at + 2, bytes, 2) != 2)
            return std::nullopt;
        const int length = bytes[0] << 8 | bytes[1];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            at += 2 + length;
            continue;
        }
        // Precision, height, width, component count, then three bytes per component.
        if (length < 8 || read(at + 4, bytes, 6) != 6)
            return std::nullopt;
        PictureHeader header;
        header.height = bytes[1] << 8 | bytes[2];
        header.width = bytes[3] << 8 | bytes[4];
        const int components = bytes[5];
        if (header.width == 0 || header.height == 0 || components < 1 || components > 4
            || read(at + 10, bytes, 3 * components) != 3 * components)
            return std::nullopt;
        int hMax = 1;
        int vMax = 1;
        for (int c = 0; c < components; ++c) {
            hMax = std::max(hMax, bytes[3 * c + 1] >> 4);
            vMax = std::max(vMax, bytes[3 * c + 1] & 15);
        }
        // Band buffers of ours and libjpeg's row buffers for upsampling and colours.
        header.decodeBytes = std::int64_t{kBandRows} * 7 * header.width + std::int64_t{header.width} * 64;
        const bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        if (progressive) {
            // Every coefficient of the picture is kept until the last scan: 64 two-byte
            // values per 8 x 8 block, in whole sampling units, for every component.
            const auto blocks = [](std::int64_t pixels, int factor, int max) {
                const std::int64_t sampled = (pixels * factor + max - 1) / max;
                const std::int64_t count = (sampled + 7) / 8;
                return (count + factor - 1) / factor * factor;
            };
            for (int c = 0; c < components; ++c) {
                const int h = std::max(bytes[3 * c + 1] >> 4, 1);
                const int v = std::max(bytes[3 * c + 1] & 15, 1);
                header.decodeBytes += blocks(header.width, h, hMax) * blocks(header.height, v, vMax) * 128;
            }
        }
        return header;
    }
    return std::nullopt;
}

} // namespace imaging
