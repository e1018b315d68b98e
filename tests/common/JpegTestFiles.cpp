#include "JpegTestFiles.h"

#include "imaging/TurboJpegHandles.h"

#include <QTransform>

#include <turbojpeg.h>

#include <cstdlib>

namespace testfiles {

namespace {

QByteArray Compress(const unsigned char* pixels, int width, int pitch, int height, int format, int subsampling,
                    int quality, int flags)
{
    const imaging::TurboJpegHandle encoder(tjInitCompress());
    if (!encoder)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(encoder.get(), pixels, width, pitch, height, format, &out, &size, subsampling,
                                   quality, flags);
    const imaging::TurboJpegBuffer owned(out);
    if (status != 0)
        return {};
    return QByteArray(reinterpret_cast<const char*>(owned.get()), static_cast<qsizetype>(size));
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, int quality, int subsampling, int flags)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return Compress(rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()), rgb.height(), TJPF_RGB,
                    subsampling, quality, flags);
}

QByteArray EncodeGreyJpeg(const QImage& image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    return Compress(grey.constBits(), grey.width(), static_cast<int>(grey.bytesPerLine()), grey.height(), TJPF_GRAY,
                    TJSAMP_GRAY, 95, 0);
}

QByteArray EncodeCmykJpeg(const QImage& image)
{
    std::vector<unsigned char> cmyk;
    cmyk.reserve(static_cast<std::size_t>(image.width()) * image.height() * 4);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            // Inverted CMYK with no black ink: C = R, M = G, Y = B, K = 255.
            cmyk.insert(cmyk.end(),
                        {static_cast<unsigned char>(qRed(p)), static_cast<unsigned char>(qGreen(p)),
                         static_cast<unsigned char>(qBlue(p)), 255});
        }
    }
    return Compress(cmyk.data(), image.width(), 0, image.height(), TJPF_CMYK, TJSAMP_444, 95, 0);
}

QImage AsViewed(const QImage& stored, int orientation)
{
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.transformed(QTransform().rotate(180));
    case 4:
        return stored.mirrored(false, true);
    case 5:
        return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return stored.transformed(QTransform().rotate(90));
    case 7:
        return stored.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8:
        return stored.transformed(QTransform().rotate(-90));
    default:
        return stored;
    }
}

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian)
{
    const auto bytes = [](int first, int second) {
        QByteArray pair;
        pair.append(static_cast<char>(first)).append(static_cast<char>(second));
        return pair;
    };
    const auto u16 = [&](int v) { return bigEndian ? bytes(v >> 8, v & 0xFF) : bytes(v & 0xFF, v >> 8); };
    const auto u32 = [&](int v) { return bigEndian ? u16(0) + u16(v) : u16(v) + u16(0); };
    QByteArray tiff = bigEndian ? QByteArray("MM") : QByteArray("II");
    tiff += u16(42) + u32(8);                                          // header, IFD0 at offset 8
    tiff += u16(1);                                                    // one entry
    tiff += u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0); // Orientation, SHORT, 1 value
    tiff += u32(0);                                                    // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = static_cast<int>(payload.size()) + 2;
    const QByteArray app1 = QByteArray("\xFF\xE1", 2) + bytes(length >> 8, length & 0xFF) + payload;
    return jpeg.left(2) + app1 + jpeg.mid(2); // right after SOI
}

QByteArray WithSegments(const QByteArray& jpeg, const QByteArray& segments)
{
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QByteArray Segment(int marker, const QByteArray& payload)
{
    const auto length = static_cast<int>(payload.size()) + 2;
    QByteArray segment;
    segment.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length & 0xFF));
    return segment + payload;
}

QByteArray IccSegments(const QByteArray& profile, int chunkSize)
{
    const auto chunks = static_cast<int>((profile.size() + chunkSize - 1) / chunkSize);
    QByteArray segments;
    for (int i = 0; i < chunks; ++i)
        segments += Segment(0xE2,
                            QByteArray("ICC_PROFILE", 12) + char(i + 1) + char(chunks)
                                + profile.mid(qsizetype{i} * chunkSize, chunkSize));
    return segments;
}

QByteArray CameraExifSegment(int orientation, const QByteArray& original, const QByteArray& digitized)
{
    // Little-endian, as most cameras write. Offsets from the start of the TIFF header.
    const auto u16 = [](int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); };
    const auto u32 = [&](int v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    const auto entry = [&](int tag, int type, int count, const QByteArray& value) {
        return u16(tag) + u16(type) + u32(count) + value.leftJustified(4, '\0');
    };
    const int dates = (original.isEmpty() ? 0 : 1) + (digitized.isEmpty() ? 0 : 1);
    const int ifd0 = 8, gps = ifd0 + 2 + 3 * 12 + 4, exif = gps + 2 + 12 + 4, text = exif + 2 + 12 * dates + 4;
    QByteArray tiff = "II" + u16(42) + u32(ifd0);
    tiff += u16(3) + entry(0x0112, 3, 1, u16(orientation)) + entry(0x8769, 4, 1, u32(exif))
        + entry(0x8825, 4, 1, u32(gps)) + u32(0);
    tiff += u16(1) + entry(0x0001, 2, 2, "N") + u32(0); // GPSLatitudeRef: where the photo was taken
    tiff += u16(dates);
    int at = text;
    for (const auto& [tag, date] : {std::pair{0x9003, original}, std::pair{0x9004, digitized}}) {
        if (!date.isEmpty()) {
            tiff += entry(tag, 2, 20, u32(at));
            at += 20;
        }
    }
    tiff += u32(0);
    for (const QByteArray& date : {original, digitized}) {
        if (!date.isEmpty())
            tiff += date + '\0';
    }
    return Segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

std::vector<std::pair<int, QByteArray>> Segments(const QByteArray& jpeg)
{
    std::vector<std::pair<int, QByteArray>> segments;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(jpeg.at(i)); };
    for (qsizetype pos = 2; pos + 4 <= jpeg.size() && byte(pos) == 0xFF && byte(pos + 1) != 0xDA;) {
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        segments.emplace_back(byte(pos + 1), jpeg.mid(pos + 4, length - 2));
        pos += 2 + length;
    }
    return segments;
}

QByteArray WithoutAppSegments12(const QByteArray& jpeg)
{
    QByteArray rest = jpeg;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(rest.at(i)); };
    for (qsizetype pos = 2; pos + 4 <= rest.size() && byte(pos) == 0xFF && byte(pos + 1) != 0xDA;) {
        const qsizetype length = 2 + (byte(pos + 2) << 8 | byte(pos + 3));
        if (byte(pos + 1) == 0xE1 || byte(pos + 1) == 0xE2)
            rest.remove(pos, length);
        else
            pos += length;
    }
    return rest;
}

bool WriteJpeg(const QString& path, const QImage& image, int quality)
{
    const QByteArray jpeg = EncodeJpeg(image, quality, TJSAMP_420);
    return !jpeg.isEmpty() && WriteFile(path, jpeg);
}

QByteArray WithFrameSize(const QByteArray& jpeg, int width, int height)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(jpeg.at(i)); };
    // Walk the marker segments up to the frame header: SOF0..SOF15 but DHT (C4), JPG (C8)
    // and DAC (CC). It holds the precision, then height and width, big-endian.
    for (qsizetype pos = 2; pos + 9 <= jpeg.size() && byte(pos) == 0xFF;) {
        const int marker = byte(pos + 1);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            QByteArray patched = jpeg;
            patched[pos + 5] = static_cast<char>(height >> 8);
            patched[pos + 6] = static_cast<char>(height & 0xFF);
            patched[pos + 7] = static_cast<char>(width >> 8);
            patched[pos + 8] = static_cast<char>(width & 0xFF);
            return patched;
        }
        if (marker == 0xDA)
            break;
        pos += 2 + (byte(pos + 2) << 8 | byte(pos + 3));
    }
    return {};
}

QImage DecodeJpeg(const QByteArray& jpeg)
{
    const imaging::TurboJpegHandle decoder(tjInitDecompress());
    if (!decoder)
        return {};
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    if (tjDecompressHeader3(decoder.get(), data, static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling,
                            &colourspace)
        != 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (tjDecompress2(decoder.get(), data, static_cast<unsigned long>(jpeg.size()), image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, TJPF_BGRX, 0)
        != 0)
        return {};
    return image;
}

std::vector<std::array<int, 64>> QuantisationTables(const QByteArray& jpeg)
{
    // Where the i-th value of a table in the file (zig-zag order) belongs.
    static constexpr int kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                        12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                        35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                        58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    std::vector<std::array<int, 64>> tables;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(jpeg.at(i)); };
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && byte(pos) == 0xFF && byte(pos + 1) != 0xDA) {
        const int marker = byte(pos + 1);
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        if (marker == 0xDB) {
            for (qsizetype t = pos + 4; t + 65 <= pos + 2 + length;) {
                const int precision = byte(t) >> 4;
                const std::size_t id = byte(t) & 0x0F;
                if (tables.size() <= id)
                    tables.resize(id + 1);
                for (int i = 0; i < 64; ++i)
                    tables[id][kZigZag[i]] = precision ? byte(t + 1 + 2 * i) << 8 | byte(t + 2 + 2 * i)
                                                       : byte(t + 1 + i);
                t += precision ? 129 : 65;
            }
        }
        pos += 2 + length;
    }
    return tables;
}

QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y,
                           !bottom ? (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0))
                                   : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255)));
        }
    }
    return image;
}

bool Near(QRgb actual, QColor expected, int tolerance)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance
        && std::abs(qGreen(actual) - expected.green()) <= tolerance
        && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

} // namespace testfiles
