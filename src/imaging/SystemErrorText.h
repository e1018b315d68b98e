#pragma once
// The system's own words for an errno value ("No space left on device"), safe to call
// from several threads at once (std::strerror is not).

#include <QString>

#include <cstring>

namespace imaging {

inline QString SystemErrorText(int error)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

} // namespace imaging
