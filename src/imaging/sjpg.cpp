#include "sjpg.h"

#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>

sjpg::sjpg() = default;
sjpg::~sjpg() = default;

void sjpg::setSavefilenamej(const QString& vNewValue)
{
    fileName_ = vNewValue;
    // Only a plain visible file counts, as a directory query with normal attributes would
    // find; folders and hidden files are left alone.
    const QFileInfo info(vNewValue);
    if (vNewValue.isEmpty() || !info.isFile() || info.isHidden())
        return;
    if (!QFile::remove(vNewValue))
        throw errors::RuntimeError("Permission denied");
}

void sjpg::setSavepicj(gdi::HBITMAP vNewValue)
{
    if (!bitmap_)
        bitmap_ = std::make_unique<aDIBSection>();
    bitmap_->CreateFromPicture(vNewValue);
    mIntelJPEGLibrary::WriteJPEGFile(bitmap_.get(), fileName_, quality_);
}
