#pragma once
// Colour values as the controls store them: 32 bits, where a value with the high bit set
// (&H80000000 + n) names system colour n and any other value holds red in the low byte,
// then green, then blue. System colours follow the application's palette, so the controls
// match the desktop theme.

#include <QColor>

#include <cstdint>

namespace platform {

// The colour a value stands for. System colour indexes are mapped to the palette role
// that plays the same part (button face -> Button, button text -> ButtonText, window
// background -> Base, ...); an unknown index gives the window colour. Without a running
// QGuiApplication the classic light theme's values are used. Never fails.
QColor TranslateColor(std::uint32_t value);

// The 32-bit value of an RGB colour (red in the low byte).
constexpr std::uint32_t RGB(int red, int green, int blue)
{
    return static_cast<std::uint32_t>(red & 0xFF) | static_cast<std::uint32_t>(green & 0xFF) << 8
        | static_cast<std::uint32_t>(blue & 0xFF) << 16;
}

} // namespace platform
