#include "OptionsFrame.h"

#include <QPainter>

namespace app {

namespace {

constexpr int kTitleLeft = 6;       // where the gap for the title starts
constexpr int kTitleGap = 2;        // blank pixels either side of the title
constexpr int kOutlineDarker = 111; // QColor::darker factors of the window colour
constexpr int kInteriorDarker = 101;

} // namespace

OptionsFrame::OptionsFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

int OptionsFrame::TopLineY() const
{
    return fontMetrics().height() / 2;
}

void OptionsFrame::paintEvent(QPaintEvent*)
{
    // Drawn here rather than by the style, which would move the line below the title:
    // a slightly darker interior in a rounded outline, in the window's own shades.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor window = palette().color(QPalette::Window);
    painter.setPen(window.darker(kOutlineDarker));
    painter.setBrush(window.darker(kInteriorDarker));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, TopLineY() + 0.5, -0.5, -0.5), 2, 2);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QFontMetrics metrics = fontMetrics();
    const QRect gap(kTitleLeft, 0, metrics.horizontalAdvance(title()) + 2 * kTitleGap, metrics.height());
    painter.fillRect(gap, window);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(gap, Qt::AlignCenter | Qt::TextSingleLine, title());
}

} // namespace app
