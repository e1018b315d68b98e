#pragma once
// A label that acts as a link: underlined, in the highlight colour, with the hand pointer,
// raising Clicked when the left button is released over it.

#include <QLabel>

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
