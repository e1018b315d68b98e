#pragma once
// The single-image shrink: one picture file becomes one reduced JPEG file.

#include "imaging/JpegDecoder.h"
#include "platform/MessageBox.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace imaging {
class TargetFolder;
}

namespace batch {

// How a size text reads: N is its leading number rounded half to even (0 when there is
// none or it does not fit in 32 bits); percent mode when the last character is "%".
// N is returned as read: the kDefaultLongEdge that stands in for 0 in pixel mode is
// ConvertJPG's.
struct SizeText {
    std::int32_t N = 0;
    bool percent = false;
};
SizeText ReadSizeText(const QString& W);

// The size of the copy of an upright w x h picture as size asks for it, or nullopt where
// the picture keeps its own (a long edge it does not exceed). Raises
// errors::OverflowError where the arithmetic leaves 32 bits.
std::optional<imaging::CopySize> CopySizeFor(std::int32_t w, std::int32_t h, const SizeText& size);

// Reads srcjpg, brings it to the size W asks for ("640": longer edge in pixels, never
// enlarged; "40%": both edges scaled) and writes dstjpgfile at quality. Reports nothing
// and raises nothing: every step's errors are ignored and the next step runs. What the
// user may see are the JPEG writer's own messages, shown once the shrink is done.
void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W);

// Why a shrink wrote nothing.
enum class FailureCause {
    None,        // written
    Unreadable,  // the picture could not be loaded
    NoSize,      // the size text gives no picture (0 %, an edge of 0)
    NotWritten,  // the JPEG writer failed
    SourceInWay, // refused right before the write: the target is a source picture
};

// What one shrink did.
struct ConvertReport {
    bool written = false;
    FailureCause cause = FailureCause::None;
    QString failure;               // why nothing was written, in English; empty when written
    QStringList warnings;          // what the written copy lacks and why (damaged metadata)
    std::int64_t sourcePixels = 0; // width x height of the loaded picture; 0 when none loaded
    bool skipped = false;          // left alone on purpose (its copy is current); note says why
    QString note;                  // what the user should know about a copy beyond "written"
    int encodes = 0;               // encodings made to find the copy (a size budget tries several)
    // The image engine's own message boxes (the JPEG writer's) that the shrink asked for,
    // in order, not yet shown: the front end decides whether and when to show them.
    std::vector<platform::MessageBoxCall> messages;

    // Neither written nor left alone on purpose, with a reason (a dry run has none).
    bool Failed() const { return !written && !skipped && !failure.isEmpty(); }
};

// Where a copy goes when not by its path: a name in an open folder, so the write lands
// there whatever becomes of the folder's path meanwhile. Read right after the refusal is
// asked, so the refusal may still choose the folder (a mirrored copy's subfolder).
struct CopyDestination {
    const imaging::TargetFolder* folder = nullptr;
    QString name;
};

// ConvertJPG, telling what happened instead of showing it. refusal, when given, is asked
// right before the file is written: a non-empty answer skips the write and becomes the
// failure. With into (and its folder set), the file is written there and dstjpgfile only
// names it. Safe to call on several threads at once for different files.
ConvertReport ConvertPicture(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W,
                             const std::function<QString()>& refusal = {}, const CopyDestination* into = nullptr);

} // namespace batch
