#include "mIntelJPEGLibrary.h"

#include "imaging/aDIBSection.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"
#include "platform/Numeric.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

namespace mIntelJPEGLibrary {

namespace {

// The installed entry points. Writers on several threads read them on every file, so
// reading takes no lock: each installation is a new object that stays alive until the
// program ends (only tests install any), and the pointer to the current one is atomic.
struct Installation {
    std::mutex replacing;        // serialises SetEntryPoints only
    std::deque<EntryPoints> all; // every installation, never erased
    std::atomic<const EntryPoints*> current{nullptr};

    Installation() { current.store(&all.emplace_back(LibraryEntryPoints()), std::memory_order_release); }
};

Installation& Installed()
{
    static Installation installation;
    return installation;
}

void Tell(const QString& text)
{
    platform::MessageBox(text, platform::ProgramTitle(), platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
}

QString LibraryFailure(const ijl::JPEG_CORE_PROPERTIES& record, const char* what, std::int32_t status)
{
    if (record.Failure[0] != '\0')
        return QString::fromUtf8(record.Failure);
    return QString::fromLatin1(what) + QString::number(status);
}

// Frees the record when an error leaves the writer between ijlInit and ijlFree.
class FreeOnError {
public:
    FreeOnError(const EntryPoints& library, ijl::JPEG_CORE_PROPERTIES& record) : library_(library), record_(record) {}
    ~FreeOnError()
    {
        if (armed_)
            library_.ijlFree(&record_);
    }
    FreeOnError(const FreeOnError&) = delete;
    FreeOnError& operator=(const FreeOnError&) = delete;
    void Disarm() { armed_ = false; }

private:
    const EntryPoints& library_;
    ijl::JPEG_CORE_PROPERTIES& record_;
    bool armed_ = true;
};

} // namespace

EntryPoints LibraryEntryPoints()
{
    return {ijl::ijlInit, ijl::ijlWrite, ijl::ijlFree};
}

EntryPoints SetEntryPoints(EntryPoints entryPoints)
{
    Installation& installed = Installed();
    const std::lock_guard lock(installed.replacing);
    const EntryPoints& now = installed.all.emplace_back(std::move(entryPoints));
    return *installed.current.exchange(&now, std::memory_order_acq_rel);
}

bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality)
{
    return WriteJPEGFile(bitmap, filename, quality, nullptr);
}

bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality, WriteDetails* details)
{
    const EntryPoints& library = *Installed().current.load(std::memory_order_acquire);
    bool result = false;
    ijl::JPEG_CORE_PROPERTIES record{};
    if (details)
        details->failure.clear();

    const std::int32_t status = library.ijlInit(&record);
    if (status != ijl::IJL_OK) {
        if (details)
            details->failure = LibraryFailure(record, "the JPEG library could not be initialised, status ", status);
        Tell(QStringLiteral("Failed to initialise the IJL library: ") + QString::number(status));
        return false;
    }
    FreeOnError guard(library, record);

    if (!bitmap) {
        if (details)
            details->failure = QStringLiteral("no picture to write");
        throw errors::ObjectRequired();
    }
    record.DIBWidth = bitmap->Width();
    record.DIBHeight = numeric::Sub32(0, bitmap->Height()); // negative: rows bottom-up
    record.DIBBytes = bitmap->DIBSectionBitsPtr();
    record.DIBPadBytes = numeric::Sub32(bitmap->BytesPerScanLine(), numeric::Mul32(3, bitmap->Width()));

    // Lives until the function returns, past ijlFree.
    const QByteArray name = platform::EncodeFileName(filename);
    record.JPGFile = name.constData();
    record.JPGWidth = bitmap->Width();
    record.JPGHeight = bitmap->Height();
    record.jquality = quality;

    if (details)
        record.JPGFolder = details->folder;
    if (const imaging::PhotoMetadata* metadata = details ? details->metadata : nullptr) {
        record.ICCProfile = reinterpret_cast<const std::uint8_t*>(metadata->iccProfile.constData());
        record.ICCProfileSize = static_cast<std::size_t>(metadata->iccProfile.size());
        record.EXIFBytes = reinterpret_cast<const std::uint8_t*>(metadata->captureExif.constData());
        record.EXIFSize = static_cast<std::size_t>(metadata->captureExif.size());
        record.SetFileTime = metadata->modified.has_value();
        if (metadata->modified)
            record.FileTime = *metadata->modified;
    }

    const std::int32_t written = library.ijlWrite(&record, ijl::IJL_JFILE_WRITEWHOLEIMAGE);
    if (written == ijl::IJL_OK) {
        result = true;
    } else {
        if (details)
            details->failure = LibraryFailure(record, "the JPEG library failed, status ", written);
        Tell(QStringLiteral("Failed to save to JPG"));
    }
    guard.Disarm();
    library.ijlFree(&record);
    return result;
}

} // namespace mIntelJPEGLibrary
