#pragma once
// Drawing on a device context's 32-bit bitmap: filled boxes, outlined boxes, horizontal
// lines, rounded rectangles and text. A DrawState carries what a drawing surface keeps
// between calls (fore colour, fill colour and style, font, text position), so that a
// surface's earlier drawing can decide how a later box is filled.
//
// Shapes are set pixel by pixel, so their coverage is exact and independent of Qt's
// rasteriser; text goes through QPainter on gdi::SurfaceOf(dc). All coordinates are
// pixels of the bitmap, clipped to it. Every function answers false (and draws nothing)
// when the context holds no 32-bit bitmap.

#include "platform/Gdi.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>

namespace gdi {

enum class FillStyle {
    Solid, // box interiors are painted with the fill colour
    Hollow // box interiors are left as they are
};

struct DrawState {
    QColor foreColor = Qt::black; // outlines and text
    QColor fillColor = Qt::black;
    FillStyle fillStyle = FillStyle::Hollow;
    QFont font;
    // Top-left corner of the next text, in pixels; Print moves it to the text's end.
    double currentX = 0;
    double currentY = 0;
};

// Paints every pixel from (x1, y1) to (x2, y2), both corners included, in any order.
bool FillBox(HDC dc, int x1, int y1, int x2, int y2, const QColor& color);

// A 1-pixel box outline from (x1, y1) to (x2, y2) (corners included) in outline; the
// interior follows state's fill colour and style.
bool Box(HDC dc, const DrawState& state, int x1, int y1, int x2, int y2, const QColor& outline);

// Rounded rectangle with the platform's bounds convention: left and top are included,
// right and bottom are not. The outline is 1 pixel in state.foreColor, the interior follows
// the fill colour and style. Corners are cut along a diagonal of min(width, height) / 2
// pixels (2 for the 5 x 5 corner ellipses the controls use, which is how those small
// ellipses come out on screen), limited so that a small box keeps straight edges.
bool RoundRect(HDC dc, const DrawState& state, int left, int top, int right, int bottom, int width, int height);

// Width and height in pixels of text in state.font, measured for the context's surface.
double TextWidth(HDC dc, const DrawState& state, const QString& text);
double TextHeight(HDC dc, const DrawState& state, const QString& text);

// Draws text in state.foreColor with a transparent background, its top-left corner at
// the current text position rounded to whole pixels; then moves currentX past it.
bool Print(HDC dc, DrawState& state, const QString& text);

} // namespace gdi
