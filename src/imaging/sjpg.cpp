#include "sjpg.h"

#include "imaging/SystemErrorText.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

sjpg::sjpg() = default;
sjpg::~sjpg() = default;

void sjpg::setSavefilenamej(const QString& vNewValue)
{
    fileName_ = vNewValue;
    // Only a plain visible file counts, as a directory query with normal attributes would
    // find; folders and hidden files are left alone. A link to a file counts as the file,
    // and unlinking it removes the link, never what it points to.
    const QByteArray name = platform::EncodeFileName(vNewValue);
    const QByteArray base = name.mid(name.lastIndexOf('/') + 1);
    struct stat info {};
    if (base.isEmpty() || base.startsWith('.') || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (::unlink(name.constData()) != 0)
        throw errors::RuntimeError(imaging::SystemErrorText(errno).toStdString());
}

void sjpg::setSavepicj(gdi::HBITMAP vNewValue)
{
    if (!bitmap_)
        bitmap_ = std::make_unique<aDIBSection>();
    bitmap_->CreateFromPicture(vNewValue);
    mIntelJPEGLibrary::WriteJPEGFile(bitmap_.get(), fileName_, quality_);
}
