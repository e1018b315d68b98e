#pragma once
// The options group: a frame whose top line runs through the middle of its title, the
// title on a gap in it, as the layout was drawn for. Qt's styles put the title above the
// frame instead, which moves the line down through the first row of controls.

#include <QGroupBox>

namespace app {

class OptionsFrame : public QGroupBox {
    Q_OBJECT
public:
    OptionsFrame(const QString& title, QWidget* parent);

    // The row of the frame's top line, in the frame's pixels.
    int TopLineY() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace app
