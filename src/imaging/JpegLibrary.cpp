#include "JpegLibrary.h"

#include "imaging/AtomicFile.h"
#include "imaging/MetadataMarkers.h"
#include "imaging/TargetFolder.h"
#include "imaging/TurboJpegHandles.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>

namespace ijl {

namespace {

std::int32_t Failed(JPEG_CORE_PROPERTIES& record, std::int32_t status, const QString& why)
{
    const QByteArray text = why.toUtf8();
    const std::size_t length = std::min(static_cast<std::size_t>(text.size()), sizeof record.Failure - 1);
    std::memcpy(record.Failure, text.constData(), length);
    record.Failure[length] = '\0';
    return status;
}

} // namespace

std::int32_t ijlInit(JPEG_CORE_PROPERTIES* jcprops)
{
    if (!jcprops)
        return kBadRecord;
    imaging::TurboJpegHandle encoder(tjInitCompress());
    if (!encoder)
        return Failed(*jcprops, kMemoryError,
                      QStringLiteral("cannot set up the JPEG encoder (TurboJPEG: %1)")
                          .arg(QString::fromUtf8(tjGetErrorStr2(nullptr))));
    if (jcprops->state)
        tjDestroy(jcprops->state);
    jcprops->state = encoder.release();
    jcprops->jquality = 75;
    return IJL_OK;
}

std::int32_t ijlWrite(JPEG_CORE_PROPERTIES* jcprops, std::int32_t iotype)
{
    if (!jcprops)
        return kBadRecord;
    JPEG_CORE_PROPERTIES& r = *jcprops;
    r.Failure[0] = '\0';
    if (!r.state)
        return Failed(r, kBadRecord, QStringLiteral("the JPEG library was not initialised"));
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE)
        return Failed(r, kBadIoType, QStringLiteral("unsupported write mode %1").arg(iotype));
    // An empty bitmap (nothing loaded) is refused here rather than written as a broken file.
    if (!r.DIBBytes || r.DIBWidth <= 0 || r.DIBHeight == 0 || r.DIBHeight == INT32_MIN || r.DIBPadBytes < 0
        || r.JPGWidth != r.DIBWidth || r.JPGHeight != std::abs(r.DIBHeight))
        return Failed(r, kBadBitmap, QStringLiteral("no picture to write"));
    const std::int64_t pitch = std::int64_t{r.DIBWidth} * 3 + r.DIBPadBytes;
    if (pitch > INT32_MAX)
        return Failed(
            r, kBadBitmap,
            QStringLiteral("picture too large to write (%1 x %2)").arg(r.DIBWidth).arg(std::abs(r.DIBHeight)));
    if (!r.JPGFile || !*r.JPGFile)
        return Failed(r, kBadFileName, QStringLiteral("no target file name"));

    // Built before the encoder runs, so a profile that cannot be carried costs no encoding.
    const QByteArray markers = imaging::MetadataMarkers(r.ICCProfile, r.ICCProfileSize, r.EXIFBytes, r.EXIFSize);
    if (markers.isNull())
        return Failed(r, kEncodeFailed,
                      QStringLiteral("the colour profile or EXIF block is too large for a JPEG file"));

    // libjpeg's scale: 1 is the coarsest, 100 the finest; the caller's value is not rescaled.
    const int quality = std::clamp(r.jquality, 1, 100);
    const int flags = r.DIBHeight < 0 ? TJFLAG_BOTTOMUP : 0;
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    const int status = tjCompress2(r.state, r.DIBBytes, r.DIBWidth, static_cast<int>(pitch), std::abs(r.DIBHeight),
                                   TJPF_BGR, &encoded, &encodedSize, TJSAMP_420, quality, flags);
    const imaging::TurboJpegBuffer owner(encoded);
    if (status != 0 || !encoded || encodedSize == 0)
        return Failed(r, kEncodeFailed,
                      QStringLiteral("cannot encode the picture (TurboJPEG: %1)")
                          .arg(QString::fromUtf8(tjGetErrorStr2(r.state))));

    const std::size_t split = markers.isEmpty() ? 0 : imaging::MetadataInsertPosition(encoded, encodedSize);
    QString failure;
    const bool written = imaging::ReplaceFile(
        r.JPGFolder ? r.JPGFolder->Handle() : AT_FDCWD, QByteArray(r.JPGFile),
        {{encoded, split},
         {markers.constData(), split ? static_cast<std::size_t>(markers.size()) : 0},
         {encoded + split, encodedSize - split}},
        r.SetFileTime ? &r.FileTime : nullptr, &failure);
    return written ? IJL_OK : Failed(r, kFileWriteFailed, failure);
}

std::int32_t ijlFree(JPEG_CORE_PROPERTIES* jcprops)
{
    if (!jcprops)
        return kBadRecord;
    if (jcprops->state)
        tjDestroy(jcprops->state);
    jcprops->state = nullptr;
    return IJL_OK;
}

} // namespace ijl
