#pragma once
// How the windows are laid out: positions in twips, the font they were drawn for, and
// the command buttons every window builds the same way.

#include <QFont>
#include <QRect>
#include <QString>

class QWidget;
class mivoButton;

namespace app {

// Layout positions are in twips; 15 twips make one pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr QRect Twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}

// The font the windows were laid out for: 8.25-point "MS Sans Serif" at 96 dpi (11
// pixels). Linux has no such font, so the name is mapped to the closest sans-serif the
// system has (Liberation Sans, which setup installs, then Arial, then DejaVu Sans),
// slightly narrowed so the captions fit the widths they were laid out for. The size is
// given in pixels because every position of the windows is in pixels too.
QFont DesignFont();

// A command button with its caption, icon and the design font, loaded the way a host
// loads it (through its property bag), placed at geometry.
mivoButton* CommandButton(QWidget* parent, const QString& caption, const QString& icon, const QRect& geometry);

} // namespace app
