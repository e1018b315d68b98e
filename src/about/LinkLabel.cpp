#include "LinkLabel.h"

#include "draw/SystemColor.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    underlined.setWeight(QFont::Normal);
    setFont(underlined);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, platform::TranslateColor(0x8000000D)); // system colour: highlight
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QLabel::mouseReleaseEvent(event);
}
