#pragma once
// The progress window's picture box: a sunken box whose inner area has its own drawing
// scale, 0..1 across and 0..1 down. Drawings stay until drawn over (they survive repaints).

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QRegion>

namespace app {

class ProgressBox : public QFrame {
    Q_OBJECT
public:
    explicit ProgressBox(QWidget* parent = nullptr);

    // Fills the box from (x1, y1) to (x2, y2) in the 0..1 scale, outline and fill in colour.
    // Scale positions map to inner pixels by rounding half to even; a box always covers at
    // least the pixel its start lies in.
    void FillBox(double x1, double y1, double x2, double y2, const QColor& colour);

    // What the inner area shows now (for tests and screenshots).
    const QImage& Canvas() const { return canvas_; }

    // The count behind the drawing, for those who cannot see it: done of total files.
    // Assistive technology is told of each change.
    void SetCount(int done, int total);
    int Done() const { return done_; }
    int Total() const { return total_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage canvas_;
    // Pixels known to hold filledColour_ already: a fill of that colour over them changes
    // nothing on the screen, so after each file only the bar's new part is drawn again.
    QRegion filled_;
    QRgb filledColour_ = 0;
    int done_ = 0;
    int total_ = 1;
};

} // namespace app
