#pragma once
// How the windows are laid out: positions in twips (draw/Twips.h), the font they were
// drawn for, and the command buttons every window builds the same way.

#include "draw/Twips.h"

#include <QFont>
#include <QRect>
#include <QString>

class QWidget;
class mivoButton;

namespace app {

// The font the windows were laid out for: 8.25-point "MS Sans Serif" at 96 dpi. Linux has
// no such font; the name is mapped to DejaVu Sans in its semi-condensed face at 10 pixels
// (fonts-dejavu-extra, which setup installs), whose large x-height reads like the
// original at 11 pixels and whose width lets every caption fit the width it was laid out
// for. A squeezed Liberation Sans fitted too, but merged "rn" into "m". The size is in
// pixels because every position of the windows is in pixels too.
QFont DesignFont();

// A command button with its caption, icon and the design font, loaded the way a host
// loads it (through its property bag), placed at geometry.
mivoButton* CommandButton(QWidget* parent, const QString& caption, const QString& icon, const QRect& geometry);

// The windows speak German, so Qt's own texts must too (the message boxes' "Ja" and
// "Nein", the text boxes' menus): installs Qt's German catalogue from Qt's translations
// folder. False when it is not installed; Qt's texts then stay English.
bool InstallQtGerman();

} // namespace app
