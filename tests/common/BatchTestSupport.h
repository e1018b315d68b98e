#pragma once
// Helpers shared by the batch and window tests: pictures on disk, a private settings store, and a
// progress view that records what a run shows.

#include "batch/ShrinkRun.h"
#include "batch/WindowWords.h"
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

// Records what a run shows, in the words the progress window would show it.
class RecordingProgress : public batch::RunObserver {
public:
    void RunStarted(batch::RunKind runKind) override
    {
        kind = runKind;
        ++opened;
        cancel = false;
        if (kind == batch::RunKind::Folder) {
            ShowStatus(batch::ListingStatus());
            ++activated;
        }
    }
    void FilesListed(qsizetype count) override { listed = count; }
    void FileStarted(const QString& source) override
    {
        ShowStatus(batch::FileStatus(kind, source));
        if (kind == batch::RunKind::SingleFile)
            ++activated;
    }
    void FileFinished(const QString&, const QString&, const batch::ConvertReport& report) override
    {
        reports.push_back(report);
    }
    void Progress(double fraction) override
    {
        fractions.push_back(fraction);
        passesSinceProgress = 0;
    }
    bool CancelRequested() const override { return cancel; }
    void RunEnded() override { ++closed; }
    // The window's event pump ran once; answers whether it found events (eventsPending).
    virtual bool EventsRan()
    {
        ++eventPasses;
        ++passesSinceProgress;
        return eventsPending;
    }

    batch::RunKind kind = batch::RunKind::Folder;
    int opened = 0;
    int activated = 0;
    int closed = 0;
    int eventPasses = 0;
    int passesSinceProgress = 0;
    bool eventsPending = true;
    bool cancel = false;
    qsizetype listed = -1;
    QStringList statuses;
    std::vector<double> fractions;
    std::vector<batch::ConvertReport> reports;
    std::function<void(RecordingProgress&, const QString&)> onStatus;

private:
    void ShowStatus(const QString& text)
    {
        statuses << text;
        if (onStatus)
            onStatus(*this, text);
    }
};

// A run as the window makes it: decisions as message boxes (record them with a
// platform::MessageBoxRecorder), event passes counted.
inline batch::RunOutcome RunShrinkJob(const batch::RunRequest& request, RecordingProgress& progress)
{
    batch::MessageBoxDecisions boxes;
    return batch::RunShrinkJob(request, progress, boxes, [&progress] { return progress.EventsRan(); });
}

} // namespace apptest
