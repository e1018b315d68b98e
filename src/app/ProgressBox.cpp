#include "ProgressBox.h"

#include "ProgressBoxAccessible.h"
#include "platform/Numeric.h"

#include <QAccessible>

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace app {

ProgressBox::ProgressBox(QWidget* parent) : QFrame(parent)
{
    ProgressBoxAccessible::Install();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void ProgressBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    const QSize inner = contentsRect().size().expandedTo(QSize(1, 1));
    if (canvas_.size() == inner)
        return;
    QImage resized(inner, QImage::Format_RGB32);
    resized.fill(palette().color(QPalette::Button));
    QPainter painter(&resized);
    painter.drawImage(0, 0, canvas_);
    canvas_ = resized;
    filled_ = QRegion();
}

void ProgressBox::FillBox(double x1, double y1, double x2, double y2, const QColor& colour)
{
    const auto toPixel = [](double position, int size) {
        return static_cast<int>(std::clamp(numeric::RoundHalfEven(position * size), 0.0, static_cast<double>(size)));
    };
    const int w = canvas_.width();
    const int h = canvas_.height();
    int left = toPixel(std::min(x1, x2), w);
    int right = toPixel(std::max(x1, x2), w);
    int top = toPixel(std::min(y1, y2), h);
    int bottom = toPixel(std::max(y1, y2), h);
    if (right == left)
        right = std::min(left + 1, w);
    if (bottom == top)
        bottom = std::min(top + 1, h);
    if (right <= left || bottom <= top)
        return;
    const QRect filled(left, top, right - left, bottom - top);
    // The rows are filled directly: setting up a painter for one rectangle costs more
    // than the fill, and it happens after every file while the workers wait.
    const QRgb pixel = colour.rgb();
    for (int y = top; y < bottom; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
        std::fill(row + left, row + right, pixel);
    }
    if (pixel != filledColour_) {
        filled_ = QRegion();
        filledColour_ = pixel;
    }
    const QRegion changed = QRegion(filled) - filled_;
    filled_ += filled;
    update(changed.translated(contentsRect().topLeft()));
}

void ProgressBox::SetCount(int done, int total)
{
    total = std::max(total, 0);
    done = std::clamp(done, 0, total);
    if (done == done_ && total == total_)
        return;
    done_ = done;
    total_ = total;
    QAccessibleValueChangeEvent changed(this, done_);
    QAccessible::updateAccessibility(&changed);
}

void ProgressBox::paintEvent(QPaintEvent* event)
{
    const QRect inner = contentsRect();
    if (!inner.contains(event->rect()))
        QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect shown = event->rect() & inner;
    painter.drawImage(shown.topLeft(), canvas_, shown.translated(-inner.topLeft()));
}

} // namespace app
