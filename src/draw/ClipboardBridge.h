#pragma once
// Connects the drawing stand-in's clipboard (gdi::OpenClipboard ... gdi::CloseClipboard)
// to the desktop's clipboard.

namespace draw {

// From now on a closed clipboard's bitmap becomes the desktop clipboard's image. False
// (and nothing connected) without a running QGuiApplication.
bool ConnectClipboard();

} // namespace draw
