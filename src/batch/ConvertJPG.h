#pragma once
// The single-image shrink: one picture file becomes one reduced JPEG file.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace batch {

// How a size text reads: N is its leading number rounded half to even (0 when there is
// none or it does not fit in 32 bits); percent mode when the last character is "%".
// N is returned as read: the kDefaultLongEdge that stands in for 0 in pixel mode is
// ConvertJPG's.
struct SizeSpec {
    std::int32_t N = 0;
    bool percent = false;
};
SizeSpec ReadSizeSpec(const QString& W);

// Reads srcjpg, brings it to the size W asks for ("640": longer edge in pixels, never
// enlarged; "40%": both edges scaled) and writes dstjpgfile at quality. Reports nothing
// and raises nothing: every step's errors are ignored and the next step runs. What the
// user may see comes from the JPEG writer's own messages.
void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W);

// What one shrink did.
struct ConvertReport {
    bool written = false;
    QString failure;               // why nothing was written, in words; empty when written
    QStringList warnings;          // what the written copy lacks and why (damaged metadata)
    std::int64_t sourcePixels = 0; // width x height of the loaded picture; 0 when none loaded
    bool skipped = false;          // left alone on purpose (its copy is current); note says why
    QString note;                  // what the user should know about a copy beyond "written"
    int encodes = 0;               // encodings made to find the copy (a size budget tries several)
};

// ConvertJPG, telling what happened. refusal, when given, is asked right before the file
// is written: a non-empty answer skips the write and becomes the failure.
ConvertReport ConvertPicture(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W,
                             const std::function<QString()>& refusal = {});

} // namespace batch
