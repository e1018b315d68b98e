#pragma once
// Window layouts are given in twips, the window framework's unit; 15 twips make one pixel
// at 96 dpi. Every window (the main, progress and About windows) converts through here.

#include <QRect>
#include <QSize>

namespace platform {

constexpr int kTwipsPerPixel = 15;

// Twips to whole pixels (rounded down, as the layouts were measured).
constexpr int TwipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr QSize TwipsSize(int width, int height)
{
    return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

constexpr QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

} // namespace platform
