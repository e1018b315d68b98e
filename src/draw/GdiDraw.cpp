#include "GdiDraw.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace gdi {

namespace {

// Sets pixels xa..xb of row y (none when xa > xb), clipped to the image.
void Span(QImage& image, int y, int xa, int xb, QRgb color)
{
    if (y < 0 || y >= image.height())
        return;
    xa = std::max(xa, 0);
    xb = std::min(xb, image.width() - 1);
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = xa; x <= xb; ++x)
        row[x] = color;
}

void Plot(QImage& image, int x, int y, QRgb color)
{
    Span(image, y, x, x, color);
}

QRgb Opaque(const QColor& color)
{
    return color.rgb() | 0xFF000000u;
}

} // namespace

bool FillBox(HDC dc, int x1, int y1, int x2, int y2, const QColor& color)
{
    QImage surface = SurfaceOf(dc);
    if (surface.isNull())
        return false;
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
        Span(surface, y, std::min(x1, x2), std::max(x1, x2), Opaque(color));
    return true;
}

bool Box(HDC dc, const DrawState& state, int x1, int y1, int x2, int y2, const QColor& outline)
{
    QImage surface = SurfaceOf(dc);
    if (surface.isNull())
        return false;
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (state.fillStyle == FillStyle::Solid) {
        for (int y = top + 1; y < bottom; ++y)
            Span(surface, y, left + 1, right - 1, Opaque(state.fillColor));
    }
    const QRgb pen = Opaque(outline);
    Span(surface, top, left, right, pen);
    Span(surface, bottom, left, right, pen);
    for (int y = top; y <= bottom; ++y) {
        Plot(surface, left, y, pen);
        Plot(surface, right, y, pen);
    }
    return true;
}

bool RoundRect(HDC dc, const DrawState& state, int left, int top, int right, int bottom, int width, int height)
{
    QImage surface = SurfaceOf(dc);
    if (surface.isNull())
        return false;
    // Inclusive corners of the outline.
    const int x1 = std::min(left, right), x2 = std::max(left, right) - 1;
    const int y1 = std::min(top, bottom), y2 = std::max(top, bottom) - 1;
    if (x2 < x1 || y2 < y1)
        return true;
    int cut = std::max(0, std::min(width, height) / 2);
    cut = std::min({cut, (x2 - x1) / 2, (y2 - y1) / 2});

    // Row r of the box spans x1 + inset .. x2 - inset, the inset shrinking by one per row
    // from the top and the bottom edge.
    const auto inset = [&](int y) { return std::max({0, cut - (y - y1), cut - (y2 - y)}); };
    const QRgb pen = Opaque(state.foreColor);
    for (int y = y1; y <= y2; ++y) {
        const int a = x1 + inset(y), b = x2 - inset(y);
        if (y == y1 || y == y2) {
            Span(surface, y, a, b, pen);
            continue;
        }
        if (state.fillStyle == FillStyle::Solid)
            Span(surface, y, a + 1, b - 1, Opaque(state.fillColor));
        Plot(surface, a, y, pen);
        Plot(surface, b, y, pen);
    }
    return true;
}

double TextWidth(HDC dc, const DrawState& state, const QString& text)
{
    const QImage surface = SurfaceOf(dc);
    const QFontMetricsF metrics = surface.isNull() ? QFontMetricsF(state.font) : QFontMetricsF(state.font, &surface);
    return metrics.horizontalAdvance(text);
}

double TextHeight(HDC dc, const DrawState& state, const QString& text)
{
    const QImage surface = SurfaceOf(dc);
    const QFontMetricsF metrics = surface.isNull() ? QFontMetricsF(state.font) : QFontMetricsF(state.font, &surface);
    // Like the platform's TextHeight: one line's height, whatever the text.
    return metrics.height();
}

bool Print(HDC dc, DrawState& state, const QString& text)
{
    QImage surface = SurfaceOf(dc);
    if (surface.isNull())
        return false;
    const QFontMetricsF metrics(state.font, &surface);
    {
        QPainter painter(&surface);
        painter.setFont(state.font);
        painter.setPen(state.foreColor);
        const double x = std::nearbyint(state.currentX);
        const double y = std::nearbyint(state.currentY);
        painter.drawText(QPointF(x, y + metrics.ascent()), text);
    }
    state.currentX += metrics.horizontalAdvance(text);
    return true;
}

} // namespace gdi
