#pragma once
// A label that acts as a link: underlined, in the highlight colour, with the up-arrow
// pointer, raising Clicked when the left button is released over it or, with the
// keyboard focus (Tab reaches it), when Return, Enter or Space is pressed. Assistive
// technology sees a link to its target.

#include <QLabel>

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent);

    // Where the link leads (an address with its scheme), as told to assistive technology.
    QString Target() const { return target_; }
    void SetTarget(const QString& target) { target_ = target; }

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString target_;
};
