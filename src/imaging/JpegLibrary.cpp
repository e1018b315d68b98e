#include "JpegLibrary.h"

#include "imaging/TurboJpegHandles.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstdlib>

namespace ijl {

std::int32_t ijlInit(JPEG_CORE_PROPERTIES* jcprops)
{
    if (!jcprops)
        return kBadRecord;
    imaging::TurboJpegHandle encoder(tjInitCompress());
    if (!encoder)
        return kMemoryError;
    if (jcprops->state)
        tjDestroy(jcprops->state);
    jcprops->state = encoder.release();
    jcprops->jquality = 75;
    return IJL_OK;
}

std::int32_t ijlWrite(JPEG_CORE_PROPERTIES* jcprops, std::int32_t iotype)
{
    if (!jcprops || !jcprops->state)
        return kBadRecord;
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE)
        return kBadIoType;
    const JPEG_CORE_PROPERTIES& r = *jcprops;
    // An empty bitmap (nothing loaded) is refused here rather than written as a broken file.
    if (!r.DIBBytes || r.DIBWidth <= 0 || r.DIBHeight == 0 || r.DIBHeight == INT32_MIN || r.DIBPadBytes < 0
        || r.JPGWidth != r.DIBWidth || r.JPGHeight != std::abs(r.DIBHeight))
        return kBadBitmap;
    const std::int64_t pitch = std::int64_t{r.DIBWidth} * 3 + r.DIBPadBytes;
    if (pitch > INT32_MAX)
        return kBadBitmap;
    if (!r.JPGFile || !*r.JPGFile)
        return kBadFileName;

    // libjpeg's scale: 1 is the coarsest, 100 the finest; the caller's value is not rescaled.
    const int quality = std::clamp(r.jquality, 1, 100);
    const int flags = r.DIBHeight < 0 ? TJFLAG_BOTTOMUP : 0;
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    const int status = tjCompress2(r.state, r.DIBBytes, r.DIBWidth, static_cast<int>(pitch), std::abs(r.DIBHeight),
                                   TJPF_BGR, &encoded, &encodedSize, TJSAMP_420, quality, flags);
    const imaging::TurboJpegBuffer owner(encoded);
    if (status != 0 || !encoded || encodedSize == 0)
        return kEncodeFailed;

    QSaveFile file(QFile::decodeName(r.JPGFile));
    if (!file.open(QIODevice::WriteOnly))
        return kFileWriteFailed;
    if (file.write(reinterpret_cast<const char*>(encoded), static_cast<qint64>(encodedSize))
        != static_cast<qint64>(encodedSize)) {
        file.cancelWriting();
        return kFileWriteFailed;
    }
    return file.commit() ? IJL_OK : kFileWriteFailed;
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
