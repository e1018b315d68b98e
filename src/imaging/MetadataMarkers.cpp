#include "MetadataMarkers.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

constexpr std::size_t kMaxSegment = 0xFFFF - 2;        // bytes of a marker segment after its length field
constexpr char kIccTag[] = "ICC_PROFILE";              // 11 letters and the closing NUL
constexpr std::size_t kIccHeader = sizeof kIccTag + 2; // the tag, chunk number, chunk count
constexpr std::size_t kIccChunk = kMaxSegment - kIccHeader;

void AppendMarker(QByteArray& out, int marker, std::size_t payloadSize)
{
    const std::size_t length = payloadSize + 2;
    out.append(static_cast<char>(0xFF)).append(static_cast<char>(marker));
    out.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
}

} // namespace

QByteArray MetadataMarkers(const std::uint8_t* icc, std::size_t iccSize, const std::uint8_t* exif, std::size_t exifSize)
{
    QByteArray markers(""); // empty, not null: nothing to add is not a failure
    if (icc && iccSize > 0) {
        const std::size_t chunks = (iccSize + kIccChunk - 1) / kIccChunk;
        if (chunks > 255)
            return {};
        for (std::size_t i = 0; i < chunks; ++i) {
            const std::size_t at = i * kIccChunk;
            const std::size_t size = std::min(kIccChunk, iccSize - at);
            AppendMarker(markers, 0xE2, kIccHeader + size);
            markers.append(kIccTag, sizeof kIccTag);
            markers.append(static_cast<char>(i + 1)).append(static_cast<char>(chunks));
            markers.append(reinterpret_cast<const char*>(icc + at), static_cast<qsizetype>(size));
        }
    }
    if (exif && exifSize > 0) {
        if (exifSize > kMaxSegment)
            return {};
        AppendMarker(markers, 0xE1, exifSize);
        markers.append(reinterpret_cast<const char*>(exif), static_cast<qsizetype>(exifSize));
    }
    return markers;
}

std::size_t MetadataInsertPosition(const std::uint8_t* jpeg, std::size_t size)
{
    if (!jpeg || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return 0;
    // A JFIF header must stay first; anything else (or none) keeps its place after ours.
    if (size >= 11 && jpeg[2] == 0xFF && jpeg[3] == 0xE0 && std::memcmp(jpeg + 6, "JFIF\0", 5) == 0) {
        const std::size_t end = 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]);
        if (end <= size)
            return end;
    }
    return 2;
}

} // namespace imaging
