#include "PictureLoader.h"

#include "imaging/Bitmap24.h"
#include "imaging/ExifOrientation.h"
#include "imaging/HeifDecoder.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureFormat.h"
#include "imaging/PngDecoder.h"
#include "imaging/SystemErrorText.h"
#include "imaging/WebpDecoder.h"
#include "platform/FileNames.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

// No picture file this program shrinks comes near this; larger files are not read.
constexpr qint64 kMaxFileBytes = qint64{1} << 30;
// What a header probe reads, one after the other until the header is found: a JPEG's
// frame header mostly follows its EXIF block (at most 64 KiB) closely; every format's
// header fits the second, but for HEIF files that keep their boxes behind the picture
// data. Reading the second at once cost a folder's probe a copy of most of its photos;
// each step reads on from where the one before stopped.
constexpr qint64 kProbeBytes[] = {qint64{96} << 10, qint64{1} << 20, kMaxFileBytes};

bool HasJpegName(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString suffix = name.mid(dot + 1).toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe")
        || suffix == QLatin1String("jfif");
}

Picture Failed(LoadDetails* details, const QString& why)
{
    if (details)
        details->failure = why;
    return {};
}

QString SizeText(int width, int height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

Picture LoadThroughQt(const QByteArray& data, LoadDetails* details)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return Failed(details, QStringLiteral("cannot read the picture"));
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Checked before the reader allocates; a reader that cannot tell the size up front
    // is still bound by QImageReader's own allocation limit.
    if (size.isValid() && std::int64_t{size.width()} * size.height() > gdi::kMaxBitmapPixels)
        return Failed(details, QStringLiteral("picture too large (%1)").arg(SizeText(size.width(), size.height())));
    if (size.isValid() && !FitsInMemory(size.width(), size.height(), 2))
        return Failed(
            details,
            QStringLiteral("not enough memory for the picture (%1)").arg(SizeText(size.width(), size.height())));
    QImage image = reader.read();
    if (image.isNull())
        return Failed(details, QStringLiteral("cannot read the picture (Qt: %1)").arg(reader.errorString()));
    image = image.convertToFormat(QImage::Format_BGR888); // bytes blue, green, red
    if (image.isNull())
        return Failed(details,
                      QStringLiteral("not enough memory for the picture (%1)")
                          .arg(SizeText(reader.size().width(), reader.size().height())));
    Bitmap24 bitmap = NewBitmap24(image.width(), image.height());
    if (!bitmap.bits)
        return Failed(
            details,
            QStringLiteral("not enough memory for the picture (%1)").arg(SizeText(image.width(), image.height())));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.RowFromTop(y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 3);
    return std::move(bitmap.picture);
}

// Closes a descriptor on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A regular file opened for reading (non-blocking, so that opening a pipe cannot hang),
// read from its start as far as asked, each read going on where the last one stopped.
class RegularFile {
public:
    // False, with *failure set, where the file cannot be opened, is no regular file, is
    // empty or is too large to read.
    bool Open(const QByteArray& name, QString* failure)
    {
        file_.fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (file_.fd < 0 || ::fstat(file_.fd, &info_) != 0) {
            *failure = QStringLiteral("cannot open: ") + SystemErrorText(errno);
            return false;
        }
        if (!S_ISREG(info_.st_mode)) {
            *failure = QStringLiteral("not a regular file");
            return false;
        }
        if (info_.st_size <= 0) {
            *failure = QStringLiteral("empty file");
            return false;
        }
        if (info_.st_size > kMaxFileBytes) {
            *failure = QStringLiteral("file too large (%1 bytes)").arg(static_cast<qint64>(info_.st_size));
            return false;
        }
        return true;
    }

    qint64 Size() const { return info_.st_size; }
    timespec Modified() const { return info_.st_mtim; }

    // Extends data, the file's first data.size() bytes, to its first `limit` bytes (all of
    // it where it is shorter); false, with *failure set, where a read fails.
    bool ReadTo(QByteArray& data, qint64 limit, QString* failure)
    {
        qsizetype done = data.size();
        data.resize(static_cast<qsizetype>(std::min<qint64>(Size(), limit)));
        while (done < data.size()) {
            const ssize_t read = ::read(file_.fd, data.data() + done, static_cast<std::size_t>(data.size() - done));
            if (read < 0) {
                if (errno == EINTR)
                    continue;
                *failure = QStringLiteral("cannot read: ") + SystemErrorText(errno);
                return false;
            }
            if (read == 0) {
                *failure = QStringLiteral("cannot read: the file became shorter while it was read");
                return false;
            }
            done += read;
        }
        return true;
    }

private:
    FileDescriptor file_;
    struct stat info_ {};
};

// The regular file at name, whole; empty (with *failure set) on failure.
QByteArray ReadRegularFile(const QByteArray& name, timespec* modified, QString* failure)
{
    RegularFile file;
    QByteArray data;
    if (!file.Open(name, failure) || !file.ReadTo(data, kMaxFileBytes, failure))
        return {};
    *modified = file.Modified();
    return data;
}

// The frame header found by walking the markers, with what the decoder will hold beside
// the bitmap (a progressive file's coefficients).
std::optional<PictureHeader> ProbeJpeg(const std::uint8_t* data, std::size_t size)
{
    return ReadJpegHeader([&](std::int64_t offset, std::uint8_t* into, std::int64_t count) -> std::int64_t {
        const auto have = static_cast<std::int64_t>(size);
        const std::int64_t given = std::clamp<std::int64_t>(have - offset, 0, count);
        if (given > 0)
            std::memcpy(into, data + offset, static_cast<std::size_t>(given));
        return given;
    });
}

std::optional<PictureHeader> ProbeThroughQt(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QSize size = QImageReader(&buffer).size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    // Qt decodes into an image of its own (4 bytes a pixel), which is then converted.
    return PictureHeader{size.width(), size.height(), std::int64_t{size.width()} * size.height() * 7};
}

} // namespace

namespace {

// The file's contents decoded; a JPEG as stored where stored is given (see StoredDecode).
Picture DecodeData(const QByteArray& data, bool jpegName, LoadDetails* details, const DecodeScale& scale,
                   StoredDecode* stored)
{
    if (details) {
        details->failure.clear();
        details->warnings.clear();
        details->orientation = 1;
        details->reduced = false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    QString* failure = details ? &details->failure : nullptr;
    PhotoMetadata* metadata = details ? &details->metadata : nullptr;
    const PictureFormat format = jpegName ? PictureFormat::Jpeg : SniffFormat(bytes, size);
    switch (format) {
    case PictureFormat::Jpeg:
        return DecodeJpeg(bytes, size, failure, metadata, scale, details ? &details->warnings : nullptr, stored);
    case PictureFormat::Png:
        return DecodePng(bytes, size, failure, metadata);
    case PictureFormat::WebP:
        return DecodeWebP(bytes, size, failure, metadata);
    case PictureFormat::Heif:
        return DecodeHeif(bytes, size, failure, metadata);
    case PictureFormat::Other:
        break;
    }
    return LoadThroughQt(data, details);
}

} // namespace

Picture LoadPictureFromData(const QByteArray& data, bool jpegName, LoadDetails* details, const DecodeScale& scale)
{
    return DecodeData(data, jpegName, details, scale, nullptr);
}

std::optional<PictureHeader> ProbePictureData(const QByteArray& data, bool jpegName)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    PictureHeader header;
    bool found = false;
    switch (jpegName ? PictureFormat::Jpeg : SniffFormat(bytes, size)) {
    case PictureFormat::Jpeg:
        return ProbeJpeg(bytes, size);
    case PictureFormat::Png:
        found = ProbePng(bytes, size, &header.width, &header.height);
        break;
    case PictureFormat::WebP:
        found = ProbeWebP(bytes, size, &header.width, &header.height);
        break;
    case PictureFormat::Heif:
        found = ProbeHeif(bytes, size, &header.width, &header.height);
        break;
    case PictureFormat::Other:
        return ProbeThroughQt(data);
    }
    if (!found)
        return std::nullopt;
    // The libraries decode into a buffer of their own (up to 4 bytes a pixel) first.
    header.decodeBytes = std::int64_t{header.width} * header.height * 4;
    return header;
}

std::optional<PictureHeader> ProbePicture(const QString& path, std::int64_t* fileBytes)
{
    const QByteArray name = platform::EncodeFileName(path);
    const bool jpegName = HasJpegName(path);
    struct stat info {};
    if (fileBytes && ::stat(name.constData(), &info) == 0)
        *fileBytes = info.st_size;
    QString failure;
    RegularFile file;
    if (!file.Open(name, &failure))
        return std::nullopt;
    QByteArray head;
    for (const qint64 limit : kProbeBytes) {
        if (!file.ReadTo(head, limit, &failure))
            return std::nullopt;
        if (std::optional<PictureHeader> header = ProbePictureData(head, jpegName);
            header || head.size() == file.Size())
            return header;
    }
    return std::nullopt;
}

namespace {

// A picture file read whole, then decoded; a JPEG as stored where stored is given.
Picture LoadFile(const QString& path, LoadDetails* details, const DecodeScale& scale, StoredDecode* stored)
{
    if (details)
        *details = LoadDetails();
    QString failure;
    timespec modified{};
    const QByteArray data = ReadRegularFile(platform::EncodeFileName(path), &modified, &failure);
    if (data.isEmpty())
        return Failed(details, failure);
    Picture picture = DecodeData(data, HasJpegName(path), details, scale, stored);
    if (details && !picture.IsEmpty()) {
        details->metadata.modified = modified;
        if (stored && stored->width > 0) {
            details->orientation = stored->orientation;
            details->reduced = stored->reduced;
            details->width = stored->width;
            details->height = stored->height;
        } else {
            const bool turned = SwapsEdges(details->orientation);
            details->width = turned ? picture.Height() : picture.Width();
            details->height = turned ? picture.Width() : picture.Height();
        }
    }
    return picture;
}

} // namespace

Picture LoadPicture(const QString& path)
{
    return LoadPicture(path, nullptr);
}

Picture LoadPicture(const QString& path, LoadDetails* details)
{
    return LoadPicture(path, details, {});
}

Picture LoadPicture(const QString& path, LoadDetails* details, const DecodeScale& scale)
{
    return LoadFile(path, details, scale, nullptr);
}

Picture LoadStoredPicture(const QString& path, LoadDetails* details, const DecodeScale& scale, const ReduceTo& reduce,
                          bool lanczos3)
{
    StoredDecode stored;
    stored.reduce = reduce;
    stored.lanczos3 = lanczos3;
    return LoadFile(path, details, scale, &stored);
}

} // namespace imaging
