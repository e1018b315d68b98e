#pragma once
// The font the windows were laid out for: 8.25-point "MS Sans Serif" at 96 dpi (11
// pixels). Linux has no such font, so the name is mapped to the closest sans-serif the
// system has (Liberation Sans, which setup installs, then Arial, then DejaVu Sans). The
// size is given in pixels because every position of the windows is in pixels too.

#include <QFont>

namespace app {

QFont DesignFont();

} // namespace app
