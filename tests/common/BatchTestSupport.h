#pragma once
// Helpers shared by the batch and window tests: pictures on disk, a private settings store, and a
// progress view that records what a run shows.

#include "batch/ShrinkRun.h"
#include "common/JpegTestFiles.h"
#include "common/StoreFixture.h"
#include "support/StdRegistry.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace apptest {

// Writes a w x h JPEG with some structure (not a flat colour) to path, creating folders.
inline bool WriteJpeg(const QString& path, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 255) / w, (y * 255) / h, (x + y) % 256));
    return testfiles::WriteJpeg(path, image);
}

inline QSize JpegSize(const QString& path)
{
    return QImageReader(path).size();
}

// A value under the program's settings key, or kUnset when it was never written.
inline const QString kUnset = QStringLiteral("<unset>");
inline QString StoredValue(const QString& name)
{
    return StdRegistry::GetRegValue(1, StdRegistry::GetSettingsKey(), name, kUnset);
}

// Points the settings store at a fresh folder for the lifetime of the object.
using teststore::PrivateStore;

class RecordingProgress : public batch::ProgressView {
public:
    void Open() override { ++opened; }
    void ClearCancel() override { cancel = false; }
    void ShowStatus(const QString& text) override
    {
        statuses << text;
        if (onStatus)
            onStatus(*this, text);
    }
    void Activate() override { ++activated; }
    void ShowProgress(double fraction) override { fractions.push_back(fraction); }
    void LetEventsRun() override { ++eventPasses; }
    bool CancelRequested() const override { return cancel; }
    void Close() override { ++closed; }

    int opened = 0;
    int activated = 0;
    int closed = 0;
    int eventPasses = 0;
    bool cancel = false;
    QStringList statuses;
    std::vector<double> fractions;
    std::function<void(RecordingProgress&, const QString&)> onStatus;
};

} // namespace apptest
