#include "mivoButton.h"

#include "controls/PropertyBag.h"
#include "controls/mivoButtonAccessible.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "platform/SystemColor.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <cmath>

namespace {

constexpr int kHoverInterval = 40; // ms between checks that the mouse has left
constexpr std::uint32_t kFrameGrey = platform::RGB(128, 128, 128);
constexpr std::uint32_t kBlack = platform::RGB(0, 0, 0);

// Mouse buttons as the button code the handlers test: 1 left, 2 right, 4 middle.
int ButtonCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0);
}

qint16 ShiftCode(Qt::KeyboardModifiers modifiers)
{
    return static_cast<qint16>((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
                               | (modifiers & Qt::AltModifier ? 4 : 0));
}

} // namespace

mivoButton::mivoButton(QWidget* parent)
    : QWidget(parent), mivoIcon1(new mivoIcon(this)), picture_(std::make_unique<OffscreenPicture>(1, 1))
{
    // Moves without a button held must arrive: they start the hover look.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    mivoButtonAccessible::Install();
    Timer1.setInterval(kHoverInterval);
    connect(&Timer1, &QTimer::timeout, this, &mivoButton::Timer1_Timer);
    surface_.font = AmbientFont();
}

mivoButton::~mivoButton() = default;

QFont mivoButton::AmbientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void mivoButton::SetCaption(const QString& value)
{
    if (value == caption_)
        return;
    caption_ = value;
    emit PropertyChanged(QStringLiteral("Caption"));
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    Repaint();
}

void mivoButton::SetIcon(const QString& value)
{
    if (value == Icon_)
        return;
    Icon_ = value;
    emit PropertyChanged(QStringLiteral("Icon"));
    Repaint();
}

void mivoButton::SetStyle(std::int16_t value)
{
    if (value == style_)
        return;
    style_ = value;
    Repaint();
}

void mivoButton::SetState(std::int16_t value)
{
    if (value == state_)
        return;
    state_ = value;
    Repaint();
}

void mivoButton::SetEnabled(bool value)
{
    if (value == Enabled_)
        return;
    Enabled_ = value;
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    Repaint();
}

void mivoButton::SetFont(const QFont& value)
{
    surface_.font = value;
    emit PropertyChanged(QStringLiteral("Font"));
    Repaint();
}

void mivoButton::SetBackColor(std::uint32_t value)
{
    BackColor_ = value;
    Repaint();
}

void mivoButton::SetDefault(bool value)
{
    if (value == default_)
        return;
    default_ = value;
    Repaint();
}

void mivoButton::Refresh()
{
    Repaint();
}

void mivoButton::AddIcon(const QString& icona, gdi::HDC picbox)
{
    mivoIcon1->AddIcon(icona, picbox);
}

void mivoButton::AddIcon(const QString& icona, const Picture& picbox)
{
    mivoIcon1->AddIcon(icona, picbox);
}

void mivoButton::InitProperties()
{
    caption_ = QStringLiteral("?");
    BackColor_ = kButtonFace;
    style_ = 0;
}

void mivoButton::ReadProperties(const PropertyBag& bag)
{
    caption_ = bag.ReadProperty(QStringLiteral("Caption"), QStringLiteral("?")).toString();
    Icon_ = bag.ReadProperty(QStringLiteral("Icon"), QString()).toString();
    surface_.font = bag.ReadProperty(QStringLiteral("Font"), AmbientFont()).value<QFont>();
    BackColor_ = static_cast<std::uint32_t>(bag.ReadProperty(QStringLiteral("BackColor"), kButtonFace).toLongLong());
    style_ = numeric::CheckedInt16(bag.ReadProperty(QStringLiteral("Style"), 0).toLongLong());
}

void mivoButton::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("Caption"), caption_, QStringLiteral("?"));
    bag.WriteProperty(QStringLiteral("Icon"), Icon_, QString());
    bag.WriteProperty(QStringLiteral("Font"), surface_.font, AmbientFont());
    bag.WriteProperty(QStringLiteral("BackColor"), BackColor_, kButtonFace);
    bag.WriteProperty(QStringLiteral("Style"), static_cast<int>(style_), 0);
}

std::int16_t mivoButton::FaceFlags() const
{
    // Styles beyond the four bits would spill into the state bits; they all mean "no frame".
    const int kind = style_ >= 0 && style_ <= 15 ? style_ : 15;
    int flags = kind | (state_ & 3) * 16;
    if (hasFocus_ && Enabled_)
        flags |= 64;
    if (default_ && Enabled_)
        flags |= 128;
    return static_cast<std::int16_t>(flags);
}

void mivoButton::Repaint()
{
    DrawButton();
    update();
}

void mivoButton::DrawButton()
{
    ++drawCount_;
    if (picture_->Width() != width() || picture_->Height() != height())
        picture_->Resize(width(), height());
    const gdi::HDC dc = picture_->hdc();
    const double w = width();
    const double h = height();
    layout_ = Layout{};
    layout_.start = surface_;
    // Where Print puts text: the current position rounded to whole pixels.
    const auto textAt = [this] {
        return QPointF(std::nearbyint(surface_.currentX), std::nearbyint(surface_.currentY));
    };

    // Each step's errors are ignored; drawing goes on with the next one.
    QString text = caption_;
    std::int16_t flags = 0;
    errors::IgnoreErrors([&] { flags = FaceFlags(); });
    layout_.flags = flags;
    errors::IgnoreErrors([&] { DrawFace(0, 0, width() - 1, height() - 1, flags, BackColor_); });
    if (text.startsWith(u'>'))
        text.remove(0, 1);
    errors::IgnoreErrors([&] { surface_.currentY = (h - gdi::TextHeight(dc, surface_, text)) / 2; });
    surface_.foreColor = platform::TranslateColor(Enabled_ ? kButtonText : kFrameGrey);
    layout_.textColor = surface_.foreColor;
    double TW = 0;
    errors::IgnoreErrors([&] { TW = numeric::RoundHalfEven(gdi::TextWidth(dc, surface_, text)); });

    if (Icon_ == u"v") {
        surface_.currentX = w / 2 - TW / 2 - 5;
        layout_.text = text + u' ';
        layout_.textAt = textAt();
        gdi::Print(dc, surface_, layout_.text);
        DrawArrowGlyph();
    } else if (!Icon_.isEmpty()) {
        surface_.currentX = w / 2 - TW / 2 + 8;
        layout_.text = text;
        layout_.textAt = textAt();
        gdi::Print(dc, surface_, text);
        errors::IgnoreErrors([&] {
            const std::int32_t X = numeric::ToInt32(w / 2 - TW / 2 - (text.isEmpty() ? 8 : 10));
            const std::int32_t Y = numeric::ToInt32(h / 2 - 8);
            layout_.icon = true;
            layout_.iconAt = QPoint(X, Y);
            mivoIcon1->Paint(dc, X, Y, mivoIcon1->IconNr(Icon_), Enabled_ ? 1 : 2);
        });
    } else {
        surface_.currentX = w / 2 - TW / 2;
        layout_.text = text;
        layout_.textAt = textAt();
        gdi::Print(dc, surface_, text);
    }
    surface_.foreColor = platform::TranslateColor(kBlack);
}

// The drop-down arrow: a small downward triangle in the text colour at the current text
// position, vertically centred on the text line, the size of the symbol-font glyph it
// stands for (7 x 4 pixels for a 16-pixel line).
void mivoButton::DrawArrowGlyph()
{
    const gdi::HDC dc = picture_->hdc();
    const double lineHeight = gdi::TextHeight(dc, surface_, QString());
    const int rows = std::max(3, static_cast<int>(numeric::RoundHalfEven(lineHeight / 4)));
    const int left = static_cast<int>(numeric::RoundHalfEven(surface_.currentX));
    const int top = static_cast<int>(numeric::RoundHalfEven(surface_.currentY + (lineHeight - rows) / 2));
    for (int row = 0; row < rows; ++row)
        gdi::FillBox(dc, left + row, top + row, left + 2 * (rows - 1) - row, top + row, surface_.foreColor);
    layout_.arrow = true;
    layout_.arrowAt = QPointF(left, top);
    layout_.arrowRows = rows;
    surface_.currentX += 2 * rows;
}

QImage mivoButton::FaceImage(qreal devicePixelRatio)
{
    DrawButton();
    if (devicePixelRatio == 1)
        return picture_->Image();
    const QSize pixels(static_cast<int>(std::ceil(width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(height() * devicePixelRatio)));
    QImage face(pixels, QImage::Format_RGB32);
    face.setDevicePixelRatio(devicePixelRatio);
    face.fill(Qt::white);
    QPainter painter(&face);
    DrawFaceAt(painter, devicePixelRatio);
    return face;
}

// The face DrawButton laid out, drawn with QPainter on a surface of devicePixelRatio device
// pixels per pixel: the same colours, frames and gradients as shapes rather than pixel
// rows, the caption in the surface font at full resolution, and the icon as the icon
// library paints it, scaled (by whole pixels where the ratio is whole) and ANDed onto the
// face as on the small surface.
void mivoButton::DrawFaceAt(QPainter& painter, qreal devicePixelRatio) const
{
    const Layout& at = layout_;
    const qreal w = width();
    const qreal h = height();
    const int kind = at.flags & 15;
    const QRectF outline(0.5, 0.5, w - 1, h - 1);
    const QRectF inside(1, 1, w - 2, h - 2);
    const auto rounded = [](const QRectF& box, qreal radius) {
        QPainterPath path;
        path.addRoundedRect(box, radius, radius);
        return path;
    };

    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, w, h), platform::TranslateColor(BackColor_));
    const QColor grey = platform::TranslateColor(kFrameGrey);
    if (kind == 0) {
        painter.setPen(QPen(grey, 1));
        painter.setBrush(platform::TranslateColor(kWindowBackground));
        painter.drawRoundedRect(outline, 2, 2);
    } else if (kind == 1) {
        // The interior follows the fill an earlier rounded frame left on the surface.
        painter.setPen(QPen(grey, 1));
        painter.setBrush(at.start.fillStyle == gdi::FillStyle::Solid ? QBrush(at.start.fillColor) : Qt::NoBrush);
        painter.drawRect(outline);
    }

    const bool hover = at.flags & 16;
    const bool pressed = at.flags & 32;
    if ((hover || pressed) && h >= 3) {
        QLinearGradient rows(0, 1, 0, h - 1);
        rows.setColorAt(0, hover ? QColor(255, 255, 255) : QColor(127, 127, 127));
        rows.setColorAt(1, hover ? QColor(127, 127, 127) : QColor(255, 255, 255));
        painter.setPen(Qt::NoPen);
        painter.setBrush(rows);
        if (kind == 1)
            painter.drawRect(inside);
        else
            painter.drawPath(rounded(inside, 1.5));
    }
    if (at.flags & 128) {
        painter.setPen(QPen(QColor(0, 0, 0), 1));
        painter.setBrush(Qt::NoBrush);
        if (kind == 0)
            painter.drawRoundedRect(outline, 2, 2);
        else if (kind == 1)
            painter.drawRect(outline);
    }

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(surface_.font);
    painter.setPen(at.textColor);
    const QFontMetricsF metrics(surface_.font, painter.device());
    painter.drawText(at.textAt + QPointF(0, metrics.ascent()), at.text);

    if (at.arrow) {
        const qreal rows = at.arrowRows;
        const QPointF top = at.arrowAt;
        QPolygonF triangle({top, top + QPointF(2 * rows - 1, 0), top + QPointF(rows - 0.5, rows)});
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(at.textColor);
        painter.drawPolygon(triangle);
    }

    if (at.icon) {
        const std::int16_t state = Enabled_ ? 1 : 2;
        std::int16_t number = 0;
        errors::IgnoreErrors([&] { number = mivoIcon1->IconNr(Icon_); });
        // From 1.5 device pixels per pixel on, the icon drawn at 2x; below, or for an icon
        // that has no such drawing, the icon as the library paints it onto white (which
        // the AND leaves unchanged), scaled by whole pixels where the ratio is whole.
        QImage look = devicePixelRatio >= 1.5 ? mivoIcon1->LookAt2x(number, state) : QImage();
        bool whole = false;
        if (look.isNull()) {
            OffscreenPicture icon(mivoIcon::kIconSize, mivoIcon::kIconSize);
            errors::IgnoreErrors([&] { mivoIcon1->Paint(icon.hdc(), 0, 0, number, state); });
            look = icon.Image();
            whole = devicePixelRatio == std::floor(devicePixelRatio);
        } else {
            whole = std::fmod(devicePixelRatio, 2.0) == 0;
        }
        const int size = static_cast<int>(std::lround(mivoIcon::kIconSize * devicePixelRatio));
        QImage scaled = look.width() == size
            ? look
            : look.scaled(size, size, Qt::IgnoreAspectRatio, whole ? Qt::FastTransformation : Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(devicePixelRatio); // device pixel for device pixel
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(QPointF(at.iconAt), scaled);
        painter.restore();
    }
}

void mivoButton::DrawFace(int x1, int y1, int x2, int y2, std::int16_t flags, std::uint32_t colour)
{
    const gdi::HDC dc = picture_->hdc();
    const int kind = flags & 15;
    gdi::FillBox(dc, x1, y1, x2, y2, platform::TranslateColor(colour));
    DrawFrame(x1, y1, x2, y2, kind, kFrameGrey, true);

    const bool hover = flags & 16;
    const bool pressed = flags & 32;
    if (hover || pressed) {
        for (int y = y1 + 1; y <= y2 - 1; ++y) {
            const double t = static_cast<double>(y - y1 - 1) / (y2 - y1 - 1);
            const int g = static_cast<int>(hover ? numeric::RoundHalfEven((1 - t) * 128 + 127)
                                                 : numeric::RoundHalfEven(255 - (1 - t) * 128));
            // Rounded corners stay unpainted: the first and last row keep one pixel off.
            int e = 0;
            if (kind != 1)
                e = (y == y1 + 1 ? 1 : 0) + (y == y2 - 1 ? 1 : 0);
            gdi::FillBox(dc, x1 + 1 + e, y, x2 - 1 - e, y, QColor(g, g, g));
        }
    }
    if (flags & 128)
        DrawFrame(x1, y1, x2, y2, kind, kBlack, false);
}

void mivoButton::DrawFrame(int x1, int y1, int x2, int y2, int kind, std::uint32_t colour, bool filled)
{
    const gdi::HDC dc = picture_->hdc();
    if (kind == 0) {
        surface_.foreColor = platform::TranslateColor(colour);
        surface_.fillColor = platform::TranslateColor(kWindowBackground);
        surface_.fillStyle = filled ? gdi::FillStyle::Solid : gdi::FillStyle::Hollow;
        gdi::RoundRect(dc, surface_, x1, y1, x2 + 1, y2 + 1, 5, 5);
        surface_.foreColor = platform::TranslateColor(kBlack);
    } else if (kind == 1) {
        // The fill is whatever an earlier rounded frame left on this surface.
        gdi::Box(dc, surface_, x1, y1, x2, y2, platform::TranslateColor(colour));
    }
}

bool mivoButton::IsMouseOver() const
{
    const QPoint cursor = cursorSource_ ? cursorSource_() : QCursor::pos();
    return Contains(mapFromGlobal(cursor));
}

bool mivoButton::Contains(const QPointF& position) const
{
    // Window rectangle: right and bottom lie one past the last pixel, and count as inside.
    return 0 <= position.x() && position.x() <= width() && 0 <= position.y() && position.y() <= height();
}

void mivoButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1) {
        DrawButton();
        painter.drawImage(0, 0, gdi::SurfaceOf(picture_->hdc()));
    } else {
        // A pixel surface scaled up would blur the caption and soften the frames.
        painter.drawImage(QPointF(0, 0), FaceImage(ratio));
    }
}

void mivoButton::mousePressEvent(QMouseEvent* event)
{
    if (ButtonCode(event->button()) == 1 && Enabled_)
        SetState(2);
}

void mivoButton::mouseMoveEvent(QMouseEvent* event)
{
    if (ButtonCode(event->buttons()) == 0 && Enabled_) {
        SetState(1);
        Timer1.start();
    }
}

void mivoButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (state_ != 2 || !Enabled_)
        return;
    // Where the release happened, as the event says: the global cursor position is not
    // known on every platform, and rounds differently under fractional scaling.
    if (Contains(event->position()) && Enabled_) {
        qint16 Shift = ShiftCode(event->modifiers());
        const auto X = numeric::ToInt32(event->position().x());
        const auto Y = numeric::ToInt32(event->position().y());
        // The host may close its window from the handler; the button must survive that.
        const QPointer<mivoButton> alive(this);
        emit Click(Shift, X, Y);
        if (!alive)
            return;
    }
    SetState(0);
    Timer1.stop();
}

void mivoButton::Timer1_Timer()
{
    if (!IsMouseOver()) {
        SetState(0);
        Timer1.stop();
    }
}

void mivoButton::keyPressEvent(QKeyEvent* event)
{
    if (event->text() != u" ") {
        // Enter and Escape go on to the window, which routes them (AccessKeyRouter).
        QWidget::keyPressEvent(event);
        return;
    }
    Press();
}

void mivoButton::Press()
{
    if (Enabled_)
        emit Click(0, 0, 0);
}

void mivoButton::AccessKeyPress(int KeyAscii)
{
    if ((KeyAscii == 13 || KeyAscii == 27) && Enabled_)
        emit Click(0, 0, 0);
}

void mivoButton::focusInEvent(QFocusEvent*)
{
    if (Enabled_) {
        hasFocus_ = true;
        Repaint();
    } else {
        HandFocusOn();
    }
}

void mivoButton::focusOutEvent(QFocusEvent*)
{
    hasFocus_ = false;
    Repaint();
}

// A disabled button passes the focus to the next control in the tab order, like a Tab
// keystroke would. Other disabled buttons are passed over here rather than handing on
// in turn, so a window whose buttons are all disabled cannot bounce the focus forever.
void mivoButton::HandFocusOn()
{
    for (QWidget* next = nextInFocusChain(); next && next != this; next = next->nextInFocusChain()) {
        if (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() || next->isHidden()
            || next->window() != window())
            continue;
        if (const auto* button = qobject_cast<mivoButton*>(next); button && !button->Enabled())
            continue;
        next->setFocus(Qt::TabFocusReason);
        return;
    }
}
