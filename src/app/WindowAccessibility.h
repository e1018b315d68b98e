#pragma once
// How assistive technology sees the program's own windows: the main window as a frame,
// the progress window as a dialog, each named by its caption.

namespace app {

// Registers the roles; safe to call more than once.
void InstallWindowAccessibility();

} // namespace app
