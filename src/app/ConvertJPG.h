#pragma once
// The single-image shrink: one picture file becomes one reduced JPEG file.

#include <QString>

#include <cstdint>

namespace batch {

// Reads srcjpg, brings it to the size W asks for ("640": longer edge in pixels, never
// enlarged; "40%": both edges scaled) and writes dstjpgfile at quality. Reports nothing
// and raises nothing: every step's errors are ignored and the next step runs.
void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W);

} // namespace batch
