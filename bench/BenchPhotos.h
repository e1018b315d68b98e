#pragma once
// What the JPEG benchmarks share: photo-like test pictures and the plain decode that is
// their floor.

#include "platform/Gdi.h"

#include <QByteArray>

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace bench {

// A width x height JPEG (quality 90, 4:2:0 unless subsampling says otherwise, like a
// camera's; progressive: the library's usual 10 scans) with photo-like content: smooth
// gradients, soft waves, hard-edged shapes and sensor-like noise. A flat colour would
// decode unrealistically fast. Empty on failure.
inline QByteArray PhotoLikeJpeg(int width, int height, unsigned seed, int subsampling = TJSAMP_420,
                                bool progressive = false)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    std::mt19937 generator(seed);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    const int shift = static_cast<int>(seed % 5) * 97;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float wave = 40.0f * std::sin((x + shift) * 0.013f) * std::cos(y * 0.021f);
            const bool inShape = (((x + shift) / 350 + y / 280) % 3 == 0) && (x % 350 > 40);
            const float base[3] = {60.0f + 150.0f * x / width + wave, 40.0f + 170.0f * y / height,
                                   inShape ? 210.0f : 90.0f - wave};
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(base[c] + noise(generator), 0.0f, 255.0f));
        }
    }
    QByteArray result;
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling, 90,
                    progressive ? TJFLAG_PROGRESSIVE : 0)
        == 0)
        result = QByteArray(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(size));
    tjFree(jpeg);
    tjDestroy(encoder);
    return result;
}

// jpeg with an EXIF block (APP1 right after SOI) that holds only the orientation tag, as
// a camera writes for a photo taken sideways: 6 when the camera was turned right, 8 left.
inline QByteArray WithOrientation(const QByteArray& jpeg, int orientation)
{
    // Big-endian TIFF header, IFD0 at 8 with one SHORT entry, no next IFD.
    const unsigned char tiff[] = {'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                                  0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, static_cast<unsigned char>(orientation),
                                  0,    0,    0, 0,  0, 0};
    const QByteArray payload = QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<const char*>(tiff), sizeof tiff);
    const auto length = static_cast<int>(payload.size()) + 2;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF)).append(payload);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// One photo of the mixed corpus.
struct MixedPhoto {
    int width;
    int height;
    int subsampling; // TJSAMP_*
    bool progressive;
    int orientation; // EXIF; 1 upright
};

// Forty photos as users' folders hold them (about 135 megapixels): mostly 1 to 6
// megapixels, one large progressive photo of 17.9 megapixels (10 scans), 8 progressive
// in all; 21 of them 4:2:0, 13 4:2:2, 6 4:4:4; 17 with an orientation other than 1
// (mostly sideways).
inline std::vector<MixedPhoto> MixedCorpus()
{
    static const int sizes[8][2] = {{2304, 1728}, {2048, 1536}, {1600, 1200}, {2592, 1944},
                                    {1280, 960},  {1920, 1080}, {1024, 768},  {3000, 2000}};
    static const int turns[5] = {6, 8, 6, 3, 8};
    std::vector<MixedPhoto> photos;
    for (int i = 0; i < 40; ++i) {
        // Multiplying by a number prime to 40 spreads each kind over the list.
        const int s = (i + 2) * 11 % 40;
        MixedPhoto photo{sizes[i % 8][0], sizes[i % 8][1],
                         s < 6        ? TJSAMP_444
                             : s < 19 ? TJSAMP_422
                                      : TJSAMP_420,
                         i * 13 % 40 < 8, i * 7 % 40 < 17 ? turns[i % 5] : 1};
        if (i == 0) {
            photo.width = 5184;
            photo.height = 3456;
        }
        photos.push_back(photo);
    }
    return photos;
}

// The bytes of photo i of the mixed corpus.
inline QByteArray MixedCorpusJpeg(const MixedPhoto& photo, unsigned seed)
{
    const QByteArray jpeg = PhotoLikeJpeg(photo.width, photo.height, seed, photo.subsampling, photo.progressive);
    return photo.orientation == 1 ? jpeg : WithOrientation(jpeg, photo.orientation);
}

// A plain full-size decode with the decoder's default (accurate) settings, into the same
// bottom-up BGR layout the picture loader fills, reusing one buffer: the floor for any
// exact full-resolution shrink of the file.
class PlainDecoder {
public:
    PlainDecoder() : decoder_(tjInitDecompress()) {}
    ~PlainDecoder() { tjDestroy(decoder_); }
    PlainDecoder(const PlainDecoder&) = delete;
    PlainDecoder& operator=(const PlainDecoder&) = delete;

    bool Decode(const QByteArray& jpeg)
    {
        const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
        const auto size = static_cast<unsigned long>(jpeg.size());
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        if (tjDecompressHeader3(decoder_, data, size, &width, &height, &subsampling, &colourspace) != 0)
            return false;
        const int pitch = static_cast<int>(gdi::RowStride(width, 24));
        pixels_.resize(static_cast<std::size_t>(pitch) * height);
        return tjDecompress2(decoder_, data, size, pixels_.data(), width, pitch, height, TJPF_BGR, TJFLAG_BOTTOMUP)
            == 0;
    }
    const unsigned char* Pixels() const { return pixels_.data(); }

private:
    tjhandle decoder_;
    std::vector<unsigned char> pixels_;
};

} // namespace bench
