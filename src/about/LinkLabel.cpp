#include "LinkLabel.h"

#include "LinkLabelAccessible.h"
#include "platform/SystemColor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    LinkLabelAccessible::Install();
    QFont underlined = font();
    underlined.setUnderline(true);
    underlined.setWeight(QFont::Normal);
    setFont(underlined);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, platform::TranslateColor(0x8000000D)); // system colour: highlight
    setPalette(colours);
    setCursor(Qt::UpArrowCursor);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Tab only: a click opens the link and need not move the focus.
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        && event->modifiers() == Qt::NoModifier) {
        emit Clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Around the text only, so the focus shows where the link is.
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.state |= QStyle::State_KeyboardFocusChange; // only Tab gives it the focus
    const QRect text = fontMetrics().boundingRect(contentsRect(), static_cast<int>(alignment()), this->text());
    focus.rect = text.adjusted(-1, 0, 1, 1) & rect();
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}
