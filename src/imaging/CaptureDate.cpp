#include "CaptureDate.h"

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>

#include <cstdarg>
#include <cstring>
#include <memory>

namespace imaging {

namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

struct ExifLogUnref {
    void operator()(ExifLog* log) const { exif_log_unref(log); }
};

// libexif tells of corrupt data only through its log.
void NoteCorruption(ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* corrupt)
{
    if (code == EXIF_LOG_CODE_CORRUPT_DATA)
        *static_cast<bool*>(corrupt) = true;
}

bool HoldsNoEntry(const ExifData* data)
{
    for (const ExifContent* ifd : data->ifd) {
        if (ifd && ifd->count > 0)
            return false;
    }
    return true;
}

constexpr int kDateLength = 19; // "YYYY:MM:DD HH:MM:SS", stored with a closing NUL

// The date text of an ASCII entry of the EXIF sub-IFD, or empty. A date that is all
// blanks or zeros is how cameras without a clock say "unknown".
QByteArray DateOf(ExifData* data, ExifTag tag)
{
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
    if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data || entry->size < kDateLength)
        return {};
    const QByteArray text(reinterpret_cast<const char*>(entry->data), kDateLength);
    bool known = false;
    for (int i = 0; i < kDateLength; ++i) {
        const char c = text[i];
        const bool separator = i == 4 || i == 7 || i == 13 || i == 16 ? c == ':' : i == 10 ? c == ' ' : false;
        if (!separator && !(c >= '0' && c <= '9'))
            return {};
        known = known || (c >= '1' && c <= '9');
    }
    return known ? text : QByteArray();
}

void Put16(QByteArray& out, int value)
{
    out.append(static_cast<char>((value >> 8) & 0xFF)).append(static_cast<char>(value & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t value)
{
    Put16(out, static_cast<int>(value >> 16));
    Put16(out, static_cast<int>(value & 0xFFFF));
}

} // namespace

QByteArray CaptureExif(const std::uint8_t* app1, std::size_t size, bool* damaged)
{
    if (damaged)
        *damaged = false;
    if (!app1 || size < 6 || size > 0xFFFF || std::memcmp(app1, "Exif\0\0", 6) != 0)
        return {};
    const std::unique_ptr<ExifData, ExifDataUnref> data(exif_data_new());
    const std::unique_ptr<ExifLog, ExifLogUnref> log(exif_log_new());
    if (!data || !log)
        return {};
    bool corrupt = false;
    exif_log_set_func(log.get(), NoteCorruption, &corrupt);
    exif_data_log(data.get(), log.get());
    // libexif's FOLLOW option would "fix" the block by adding missing tags, dates
    // among them; only what the camera wrote counts here.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), app1, static_cast<unsigned>(size));
    const QByteArray original = DateOf(data.get(), EXIF_TAG_DATE_TIME_ORIGINAL);
    if (original.isEmpty()) {
        if (damaged)
            *damaged = corrupt || HoldsNoEntry(data.get());
        return {};
    }
    const QByteArray digitized = DateOf(data.get(), EXIF_TAG_DATE_TIME_DIGITIZED);
    const int entries = digitized.isEmpty() ? 1 : 2;

    // TIFF header; IFD0 at 8 with one entry, the pointer to the EXIF sub-IFD at 26, whose
    // entries point at the date texts that follow it.
    QByteArray tiff("MM");
    Put16(tiff, 42);
    Put32(tiff, 8);
    Put16(tiff, 1);
    Put16(tiff, 0x8769); // ExifIFDPointer
    Put16(tiff, 4);      // LONG
    Put32(tiff, 1);
    Put32(tiff, 26);
    Put32(tiff, 0); // no next IFD
    std::uint32_t text = 26 + 2 + 12 * entries + 4;
    Put16(tiff, entries);
    for (const auto& [tag, date] : {std::pair{0x9003, &original}, std::pair{0x9004, &digitized}}) {
        if (date->isEmpty())
            continue;
        Put16(tiff, tag);
        Put16(tiff, 2); // ASCII
        Put32(tiff, kDateLength + 1);
        Put32(tiff, text);
        text += kDateLength + 1;
    }
    Put32(tiff, 0);
    for (const QByteArray* date : {&original, &digitized}) {
        if (!date->isEmpty())
            tiff.append(*date).append('\0');
    }
    return QByteArray("Exif\0\0", 6) + tiff;
}

} // namespace imaging
