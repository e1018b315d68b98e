#include "PictureLoader.h"

#include "imaging/Bitmap24.h"
#include "imaging/JpegDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace imaging {

namespace {

// No picture file this program shrinks comes near this; larger files are not read.
constexpr qint64 kMaxFileBytes = qint64{1} << 30;

bool HasJpegName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe")
        || suffix == QLatin1String("jfif");
}

bool StartsLikeJpeg(const QByteArray& data)
{
    return data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xFF
        && static_cast<unsigned char>(data[1]) == 0xD8 && static_cast<unsigned char>(data[2]) == 0xFF;
}

Picture LoadThroughQt(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Checked before the reader allocates; a reader that cannot tell the size up front
    // is still bound by QImageReader's own allocation limit.
    if (size.isValid() && !FitsInMemory(size.width(), size.height(), 2))
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_BGR888); // bytes blue, green, red
    if (image.isNull())
        return {};
    Bitmap24 bitmap = NewBitmap24(image.width(), image.height());
    if (!bitmap.bits)
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.RowFromTop(y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 3);
    return std::move(bitmap.picture);
}

} // namespace

Picture LoadPictureFromData(const QByteArray& data, bool jpegName)
{
    if (jpegName || StartsLikeJpeg(data))
        return DecodeJpeg(reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
    return LoadThroughQt(data);
}

Picture LoadPicture(const QString& path)
{
    // Regular files only: opening a pipe or a device could block for good.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || file.size() > kMaxFileBytes)
        return {};
    const QByteArray data = file.readAll();
    if (data.size() != file.size())
        return {};
    return LoadPictureFromData(data, HasJpegName(path));
}

} // namespace imaging
