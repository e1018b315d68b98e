#include "JpegCopyEncoder.h"

#include "imaging/MetadataMarkers.h"
#include "imaging/TurboJpegHandles.h"
#include "imaging/aDIBSection.h"

#include <algorithm>

namespace imaging {

namespace {

QByteArray Fail(QString* failure, const QString& why)
{
    if (failure)
        *failure = why;
    return {};
}

} // namespace

QByteArray EncodeJpegCopy(const aDIBSection& bitmap, std::int32_t quality, const PhotoMetadata* metadata,
                          QString* failure)
{
    if (!bitmap.DIBSectionBitsPtr() || bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return Fail(failure, QStringLiteral("no picture to write"));
    QByteArray markers;
    if (metadata) {
        markers = MetadataMarkers(reinterpret_cast<const std::uint8_t*>(metadata->iccProfile.constData()),
                                  static_cast<std::size_t>(metadata->iccProfile.size()),
                                  reinterpret_cast<const std::uint8_t*>(metadata->captureExif.constData()),
                                  static_cast<std::size_t>(metadata->captureExif.size()));
        if (markers.isNull())
            return Fail(failure, QStringLiteral("the colour profile or EXIF block is too large for a JPEG file"));
    }
    const TurboJpegHandle encoder(tjInitCompress());
    if (!encoder)
        return Fail(failure,
                    QStringLiteral("cannot set up the JPEG encoder (TurboJPEG: %1)")
                        .arg(QString::fromUtf8(tjGetErrorStr2(nullptr))));
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    const int status = tjCompress2(encoder.get(), bitmap.DIBSectionBitsPtr(), bitmap.Width(), bitmap.BytesPerScanLine(),
                                   bitmap.Height(), TJPF_BGR, &encoded, &encodedSize, TJSAMP_420,
                                   std::clamp(quality, 1, 100), TJFLAG_BOTTOMUP);
    const TurboJpegBuffer owner(encoded);
    if (status != 0 || !encoded || encodedSize == 0)
        return Fail(failure,
                    QStringLiteral("cannot encode the picture (TurboJPEG: %1)")
                        .arg(QString::fromUtf8(tjGetErrorStr2(encoder.get()))));
    const auto* bytes = reinterpret_cast<const char*>(encoded);
    const std::size_t split = markers.isEmpty() ? 0 : MetadataInsertPosition(encoded, encodedSize);
    QByteArray file;
    file.reserve(static_cast<qsizetype>(encodedSize) + markers.size());
    file.append(bytes, static_cast<qsizetype>(split));
    if (split)
        file.append(markers);
    file.append(bytes + split, static_cast<qsizetype>(encodedSize - split));
    return file;
}

} // namespace imaging
