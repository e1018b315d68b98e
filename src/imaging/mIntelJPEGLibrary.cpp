#include "mIntelJPEGLibrary.h"

#include "imaging/aDIBSection.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"
#include "platform/Numeric.h"

#include <QFile>

#include <utility>

namespace mIntelJPEGLibrary {

namespace {

EntryPoints& Installed()
{
    static EntryPoints entryPoints = LibraryEntryPoints();
    return entryPoints;
}

void Tell(const QString& text)
{
    platform::MessageBox(text, platform::ProgramTitle(), platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
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
    return std::exchange(Installed(), std::move(entryPoints));
}

bool WriteJPEGFile(const aDIBSection* bitmap, const QString& filename, std::int32_t quality)
{
    const EntryPoints library = Installed();
    bool result = false;
    ijl::JPEG_CORE_PROPERTIES record{};

    const std::int32_t status = library.ijlInit(&record);
    if (status != ijl::IJL_OK) {
        Tell(QStringLiteral("Failed to initialise the IJL library: ") + QString::number(status));
        return false;
    }
    FreeOnError guard(library, record);

    if (!bitmap)
        throw errors::ObjectRequired();
    record.DIBWidth = bitmap->Width();
    record.DIBHeight = numeric::Sub32(0, bitmap->Height()); // negative: rows bottom-up
    record.DIBBytes = bitmap->DIBSectionBitsPtr();
    record.DIBPadBytes = numeric::Sub32(bitmap->BytesPerScanLine(), numeric::Mul32(3, bitmap->Width()));

    // Lives until the function returns, past ijlFree.
    const QByteArray name = QFile::encodeName(filename);
    record.JPGFile = name.constData();
    record.JPGWidth = bitmap->Width();
    record.JPGHeight = bitmap->Height();
    record.jquality = quality;

    if (library.ijlWrite(&record, ijl::IJL_JFILE_WRITEWHOLEIMAGE) == ijl::IJL_OK) {
        result = true;
    } else {
        Tell(QStringLiteral("Failed to save to JPG"));
    }
    guard.Disarm();
    library.ijlFree(&record);
    return result;
}

} // namespace mIntelJPEGLibrary
