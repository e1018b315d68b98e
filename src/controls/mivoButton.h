#pragma once
// The program's own push button. It paints its whole face itself into a surface of its
// own: a flat background, a grey frame (rounded or square), a grey vertical gradient while
// the mouse is over it or presses it, a black second frame while it is the window's
// default button, the caption centred, and either a 16 x 16 icon from its icon library to
// the left of the caption or a drop-down arrow to the right of it. It raises one event,
// Click. All coordinates are pixels of its client area.
//
// Colours are 32-bit values as platform::TranslateColor reads them (high bit set: a
// system colour). The button's Enabled flag is its own, independent of QWidget's enabled
// state: a disabled button still receives events, it just ignores them.
//
// Hosts: fill a PropertyBag and call ReadProperties after giving the button its parent;
// mark the default and cancel buttons (SetDefault, SetCancel) and install an
// AccessKeyRouter on the window so that Enter and Escape reach them.

#include "controls/OffscreenPicture.h"
#include "controls/mivoIcon.h"
#include "imaging/Picture.h"
#include "platform/Gdi.h"
#include "platform/GdiDraw.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class PropertyBag;
class QPainter;

class mivoButton : public QWidget {
    Q_OBJECT

public:
    static constexpr std::uint32_t kButtonFace = 0x8000000F; // default BackColor
    static constexpr std::uint32_t kButtonText = 0x80000012;
    static constexpr std::uint32_t kWindowBackground = 0x80000005;

    explicit mivoButton(QWidget* parent = nullptr);
    ~mivoButton() override;

    // Properties. Setters repaint; Caption, Icon, Style, State and Enabled only when the
    // value changes, Font and BackColor always. Caption, Icon and Font changes are also
    // reported through PropertyChanged.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    // Icon name; "v" (lower case) shows the drop-down arrow, "" no icon.
    QString Icon() const { return Icon_; }
    void SetIcon(const QString& value);
    // Frame kind: 0 rounded, 1 square, any other value none.
    std::int16_t Style() const { return style_; }
    void SetStyle(std::int16_t value);
    // 0 normal, 1 hover, 2 pressed. The mouse logic goes through this setter too.
    std::int16_t State() const { return state_; }
    void SetState(std::int16_t value);
    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool value);
    QFont Font() const { return surface_.font; }
    void SetFont(const QFont& value);
    std::uint32_t BackColor() const { return BackColor_; }
    void SetBackColor(std::uint32_t value);

    // Redraws the face (DrawButton) and shows it.
    void Refresh();
    // Passed on unchanged to the icon library (mivoIcon::AddIcon).
    void AddIcon(const QString& icona, gdi::HDC picbox);
    void AddIcon(const QString& icona, const Picture& picbox);

    // What the host window decides. The default button is drawn with a black frame and
    // answers Enter, the cancel button answers Escape (see AccessKeyRouter).
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }

    // Persistence through the host's property bag: "Caption", "Icon", "Font", "BackColor"
    // and "Style". InitProperties gives a newly placed button its defaults; ReadProperties
    // stores what the bag holds without repainting; WriteProperties leaves out values equal
    // to their defaults. errors::OverflowError when a stored Style does not fit 16 bits.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // What Space does: raises Click(0, 0, 0) when Enabled. Assistive technology presses
    // the button through this too.
    void Press();

    // A key the window routes to this button: 13 (Enter) or 27 (Escape) raise Click(0, 0, 0)
    // when Enabled; other codes do nothing.
    void AccessKeyPress(int KeyAscii);

    // The flags DrawButton passes to DrawFace: frame kind (bits 0-3), state * 16, 64 with
    // the focus, 128 as the default button (the last two only while Enabled).
    std::int16_t FaceFlags() const;
    // True when the cursor is inside the button's window rectangle, right and bottom
    // edges included.
    bool IsMouseOver() const;
    // The same test for a position in the button's own coordinates.
    bool Contains(const QPointF& position) const;
    bool HoverTimerActive() const { return Timer1.isActive(); }
    // Where the cursor is, in global coordinates; QCursor::pos() unless replaced (tests
    // replace it: the offscreen platform has no real cursor).
    void SetCursorSource(std::function<QPoint()> source) { cursorSource_ = std::move(source); }

    // The button's drawing surface: its device context, a copy of its pixels, and how
    // often DrawButton has run (a host or test sees whether a change repainted).
    gdi::HDC hdc() const { return picture_->hdc(); }
    QImage SurfaceImage() const { return picture_->Image(); }
    // The face as a screen with devicePixelRatio device pixels per pixel shows it: the
    // surface itself at 1, otherwise drawn anew at that resolution (frames, gradients
    // and caption sharp, the icon scaled by whole pixels where the ratio is whole).
    // Redraws the surface first.
    QImage FaceImage(qreal devicePixelRatio);
    int DrawCount() const { return drawCount_; }

signals:
    // Mouse-up inside the button, space, or a routed Enter/Escape. Shift: 1 Shift, 2 Ctrl,
    // 4 Alt; X and Y the release position in pixels (0 for keys).
    void Click(qint16 Shift, qint32 X, qint32 Y);
    // A persisted property changed ("Caption", "Icon", "Font").
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Timer1_Timer();
    void Repaint();
    void DrawButton();
    void DrawFace(int x1, int y1, int x2, int y2, std::int16_t flags, std::uint32_t colour);
    void DrawFrame(int x1, int y1, int x2, int y2, int kind, std::uint32_t colour, bool filled);
    void DrawArrowGlyph();
    void DrawFaceAt(QPainter& painter, qreal devicePixelRatio) const;
    void HandFocusOn();
    QFont AmbientFont() const;

    QString caption_;
    QString Icon_;
    std::int16_t style_ = 0;
    std::int16_t state_ = 0;
    bool Enabled_ = true;
    bool hasFocus_ = false;
    std::uint32_t BackColor_ = kButtonFace;
    bool default_ = false;
    bool cancel_ = false;

    mivoIcon* mivoIcon1 = nullptr;
    QTimer Timer1;
    std::unique_ptr<OffscreenPicture> picture_;
    gdi::DrawState surface_; // the surface's pen, fill, font and text position
    std::function<QPoint()> cursorSource_;
    int drawCount_ = 0;

    // What the latest DrawButton laid out, so that a face at another resolution shows the
    // same: the surface state it started from, the caption and where text, icon and
    // arrow went (in pixels).
    struct Layout {
        gdi::DrawState start;
        std::int16_t flags = 0;
        QString text;
        QPointF textAt;
        QColor textColor;
        bool arrow = false;
        QPointF arrowAt;
        int arrowRows = 0;
        bool icon = false;
        QPoint iconAt;
    } layout_;
};
