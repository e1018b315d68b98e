#pragma once
// How the icon library's two strips are laid out: 16 x 16 icons side by side, one slot
// each, over a ruler row. Shared by the icon library and the tool that draws the strips.

#include <cstdint>

namespace iconstrip {

constexpr std::int16_t kIconSize = 16;
constexpr std::int16_t kStripHeight = kIconSize + 1; // the icons, then the ruler row
constexpr std::int16_t kBuiltinCount = 89;           // built-in icons, numbered 1..89
constexpr std::int16_t kStrip1Slots = 68;            // icons 1..68
constexpr std::int16_t kStrip2First = kStrip1Slots + 1;
constexpr std::int16_t kStrip2Slots = 28; // icons 69..96, the last seven blank

} // namespace iconstrip
