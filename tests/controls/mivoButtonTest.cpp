#include "controls/mivoButton.h"
#include "controls/AccessKeyRouter.h"
#include "controls/PropertyBag.h"
#include "controls/mivoIcon.h"
#include "platform/SystemColor.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

QRgb Grey(int g)
{
    return qRgb(g, g, g) & 0xFFFFFF;
}

QRgb Colour(std::uint32_t value)
{
    return platform::TranslateColor(value).rgb() & 0xFFFFFF;
}

// A button of the given size with no caption, drawn once.
QImage Face(int width, int height, const std::function<void(mivoButton&)>& setup)
{
    mivoButton button;
    button.resize(width, height);
    button.SetCaption(QString());
    setup(button);
    button.Refresh();
    return button.SurfaceImage();
}

TEST(mivoButtonFace, GradientsFollowTheirRows)
{
    // 20 pixels high: 18 gradient rows, 255 down to 134 on hover.
    const QImage hover = Face(60, 20, [](mivoButton& b) { b.SetState(1); });
    EXPECT_EQ(Rgb(hover, 30, 1), Grey(255));
    EXPECT_EQ(Rgb(hover, 30, 18), Grey(134));
    for (int y = 1; y <= 18; ++y) {
        const double t = (y - 1) / 18.0;
        const int g = static_cast<int>(std::nearbyint((1 - t) * 128 + 127));
        EXPECT_EQ(Rgb(hover, 30, y), Grey(g)) << "hover row " << y;
    }
    EXPECT_EQ(Rgb(hover, 2, 1), Grey(255)); // the first row starts one pixel in
    EXPECT_EQ(Rgb(hover, 1, 5), Grey(static_cast<int>(std::nearbyint((1 - 4 / 18.0) * 128 + 127))));

    const QImage pressed = Face(60, 20, [](mivoButton& b) { b.SetState(2); });
    EXPECT_EQ(Rgb(pressed, 30, 1), Grey(127));
    EXPECT_EQ(Rgb(pressed, 30, 18), Grey(248));

    // No frame: background and gradient, still inset on the first and last row.
    const QImage bare = Face(60, 20, [](mivoButton& b) {
        b.SetBackColor(platform::RGB(255, 0, 0));
        b.SetStyle(2);
        b.SetState(1);
    });
    EXPECT_EQ(Rgb(bare, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(bare, 0, 10), 0xFF0000u);
    EXPECT_EQ(Rgb(bare, 1, 1), 0xFF0000u);
    EXPECT_EQ(Rgb(bare, 2, 1), Grey(255));
    EXPECT_EQ(Rgb(bare, 1, 2), Grey(static_cast<int>(std::nearbyint((1 - 1 / 18.0) * 128 + 127))));

    // Too low for any gradient row.
    const QImage flat = Face(60, 2, [](mivoButton& b) { b.SetState(1); });
    EXPECT_NE(Rgb(flat, 30, 0), Grey(255));
}

TEST(mivoButtonFace, Frames)
{
    const std::uint32_t red = platform::RGB(255, 0, 0);
    const QImage rounded = Face(40, 20, [&](mivoButton& b) { b.SetBackColor(red); });
    // BackColor shows only at the cut corners; the outline is grey, the inside window colour.
    for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(39, 0), QPoint(0, 19), QPoint(39, 19)})
        EXPECT_EQ(Rgb(rounded, corner.x(), corner.y()), 0xFF0000u) << corner.x() << "," << corner.y();
    EXPECT_EQ(Rgb(rounded, 2, 0), Grey(128));
    EXPECT_EQ(Rgb(rounded, 1, 1), Grey(128));
    EXPECT_EQ(Rgb(rounded, 0, 10), Grey(128));
    EXPECT_EQ(Rgb(rounded, 39, 10), Grey(128));
    EXPECT_EQ(Rgb(rounded, 20, 19), Grey(128));
    EXPECT_EQ(Rgb(rounded, 5, 10), Colour(mivoButton::kWindowBackground));

    const QImage byDefault = Face(40, 20, [&](mivoButton& b) {
        b.SetBackColor(red);
        b.SetDefault(true);
    });
    EXPECT_EQ(Rgb(byDefault, 20, 0), 0u);
    EXPECT_EQ(Rgb(byDefault, 0, 10), 0u);
    EXPECT_EQ(Rgb(byDefault, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(byDefault, 5, 10), Colour(mivoButton::kWindowBackground));

    // A square frame fills with what the surface last used: nothing on a fresh surface...
    mivoButton square;
    square.resize(40, 20);
    square.SetBackColor(red); // drawn rounded once...
    mivoButton fresh;
    fresh.resize(40, 20);
    fresh.SetStyle(1); // ...this one never
    fresh.SetBackColor(red);
    EXPECT_EQ(Rgb(fresh.SurfaceImage(), 5, 10), 0xFF0000u);
    EXPECT_EQ(Rgb(fresh.SurfaceImage(), 0, 0), Grey(128));
    EXPECT_EQ(Rgb(fresh.SurfaceImage(), 39, 19), Grey(128));
    // ...and the window background after a filled rounded frame.
    square.SetStyle(1);
    EXPECT_EQ(Rgb(square.SurfaceImage(), 5, 10), Colour(mivoButton::kWindowBackground));
    EXPECT_EQ(Rgb(square.SurfaceImage(), 0, 0), Grey(128));
}

// The darkest channel of any pixel strictly inside the frame.
int DarkestInside(const QImage& face)
{
    int darkest = 255;
    for (int y = 2; y < face.height() - 2; ++y)
        for (int x = 2; x < face.width() - 2; ++x) {
            const QRgb p = face.pixel(x, y);
            darkest = std::min({darkest, qRed(p), qGreen(p), qBlue(p)});
        }
    return darkest;
}

TEST(mivoButtonFace, CaptionAndIcon)
{
    const auto caption = [](mivoButton& b) { b.SetCaption(QStringLiteral("MWMW")); };
    EXPECT_LT(DarkestInside(Face(80, 25, caption)), 60);
    const QImage disabled = Face(80, 25, [&](mivoButton& b) {
        caption(b);
        b.SetEnabled(false);
    });
    EXPECT_GE(DarkestInside(disabled), 120); // grey text, never darker than its colour
    EXPECT_LT(DarkestInside(disabled), 200);

    // An icon alone is centred: X = 40 / 2 - 8, Y = round(25 / 2 - 8) = 4 (half to even).
    const QImage ground = Face(40, 25, [](mivoButton&) {});
    const QImage withIcon = Face(40, 25, [](mivoButton& b) { b.SetIcon(QStringLiteral("ok")); });
    mivoIcon icons;
    const QImage ok = icons.PicIcon1().Image().copy(23 * 16, 0, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(Rgb(withIcon, 12 + x, 4 + y), Rgb(ok, x, y) & Rgb(ground, 12 + x, 4 + y)) << x << "," << y;

    // A capital V is a name (not found: icon 0), not the arrow; ">" is dropped once.
    const QImage arrow = Face(60, 25, [](mivoButton& b) { b.SetIcon(QStringLiteral("v")); });
    const QImage capitalV = Face(60, 25, [](mivoButton& b) { b.SetIcon(QStringLiteral("V")); });
    EXPECT_LT(DarkestInside(arrow), 60);
    EXPECT_NE(arrow, capitalV);
    const auto withCaption = [](const char* text) {
        return Face(60, 25, [text](mivoButton& b) { b.SetCaption(QString::fromUtf8(text)); });
    };
    EXPECT_EQ(withCaption(">A"), withCaption("A"));
    EXPECT_NE(withCaption(">>A"), withCaption("A"));
}

TEST(mivoButtonFace, HighDensityScreensGetAFaceOfTheirOwnResolution)
{
    mivoButton button;
    button.resize(105, 25);
    button.SetCaption(QStringLiteral("Verkleinern"));
    const QImage small = button.FaceImage(1);
    EXPECT_EQ(small, button.SurfaceImage());
    const QImage sharp = button.FaceImage(2);
    ASSERT_EQ(sharp.size(), QSize(210, 50));

    // The same face: frame and interior where the small one has them.
    EXPECT_EQ(Rgb(sharp, 105, 0), Rgb(small, 52, 0));
    EXPECT_EQ(Rgb(sharp, 105, 49), Rgb(small, 52, 24));
    EXPECT_EQ(Rgb(sharp, 10, 20), Rgb(small, 5, 10));

    // The caption drawn at full resolution, not pixel-doubled: many 2 x 2 blocks are not
    // of one colour.
    int detailed = 0;
    for (int y = 0; y < 50; y += 2)
        for (int x = 4; x < 206; x += 2)
            detailed += !(sharp.pixel(x, y) == sharp.pixel(x + 1, y) && sharp.pixel(x, y) == sharp.pixel(x, y + 1)
                          && sharp.pixel(x, y) == sharp.pixel(x + 1, y + 1));
    EXPECT_GT(detailed, 40);

    // The icon drawn at 2x, not its 16-pixel look doubled: the face shows the 2x strip's
    // pixels (ANDed onto the white interior, so unchanged). An icon alone sits at
    // X = 40 / 2 - 8, Y = 4.
    button.resize(40, 25);
    button.SetCaption(QString());
    button.SetIcon(QStringLiteral("web"));
    const QImage icon = button.FaceImage(1);
    const QImage sharpIcon = button.FaceImage(2);
    const mivoIcon library;
    const QImage strip(QStringLiteral(":/zimbrel/icons/IconStrip1@2x.png"));
    ASSERT_EQ(strip.height(), 34);
    const int slotX = (library.IconNr(QStringLiteral("web")) - 1) * 32;
    int undoubled = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(Rgb(sharpIcon, 24 + x, 8 + y), Rgb(strip, slotX + x, y)) << x << "," << y;
            undoubled += Rgb(sharpIcon, 24 + x, 8 + y) != Rgb(icon, 12 + x / 2, 4 + y / 2);
        }
    }
    EXPECT_GT(undoubled, 20);
}

TEST(mivoButtonProperties, RepaintOnlyOnChange)
{
    mivoButton button;
    button.resize(50, 20);
    QSignalSpy changed(&button, &mivoButton::PropertyChanged);
    const int start = button.DrawCount();
    button.SetState(0);
    button.SetStyle(0);
    button.SetEnabled(true);
    button.SetCaption(button.Caption());
    button.SetIcon(QString());
    EXPECT_EQ(button.DrawCount(), start);
    EXPECT_EQ(changed.count(), 0);

    button.SetBackColor(button.BackColor());
    button.SetFont(button.Font());
    EXPECT_EQ(button.DrawCount(), start + 2);
    button.SetCaption(QStringLiteral("Neu"));
    button.SetIcon(QStringLiteral("ok"));
    button.SetState(1);
    EXPECT_EQ(button.DrawCount(), start + 5);
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.at(0).at(0).toString(), "Font");
    EXPECT_EQ(changed.at(1).at(0).toString(), "Caption");
    EXPECT_EQ(changed.at(2).at(0).toString(), "Icon");

    // Focus and default bits only while Enabled; odd styles never reach the state bits.
    button.SetDefault(true);
    EXPECT_EQ(button.FaceFlags(), 16 | 128);
    button.SetEnabled(false);
    EXPECT_EQ(button.FaceFlags(), 16);
    button.SetStyle(17);
    EXPECT_EQ(button.FaceFlags(), 15 | 16);
}

TEST(mivoButtonProperties, BagRoundTripWritesOnlyWhatDiffers)
{
    QWidget host;
    mivoButton fresh(&host);
    fresh.InitProperties();
    PropertyBag empty;
    fresh.WriteProperties(empty);
    EXPECT_EQ(empty.Count(), 0);

    mivoButton original(&host);
    original.InitProperties();
    QFont bold = host.font();
    bold.setBold(true);
    original.SetCaption(QStringLiteral("Verkleinern"));
    original.SetIcon(QStringLiteral("ok"));
    original.SetFont(bold);
    original.SetBackColor(platform::RGB(1, 2, 3));
    original.SetStyle(1);
    PropertyBag bag;
    original.WriteProperties(bag);
    EXPECT_EQ(bag.Names(), QStringList({"Caption", "Icon", "Font", "BackColor", "Style"}));

    mivoButton loaded(&host);
    const int draws = loaded.DrawCount();
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.DrawCount(), draws); // loading does not repaint
    EXPECT_EQ(loaded.Caption(), "Verkleinern");
    EXPECT_EQ(loaded.Icon(), "ok");
    EXPECT_TRUE(loaded.Font().bold());
    EXPECT_EQ(loaded.BackColor(), platform::RGB(1, 2, 3));
    EXPECT_EQ(loaded.Style(), 1);
    EXPECT_EQ(loaded.State(), 0);
    EXPECT_TRUE(loaded.Enabled());

    // The windows store lower-case names; an empty bag gives the defaults.
    PropertyBag lower;
    lower.WriteProperty("caption", QStringLiteral("Über"));
    lower.WriteProperty("icon", QStringLiteral("help"));
    loaded.ReadProperties(lower);
    EXPECT_EQ(loaded.Caption(), "Über");
    EXPECT_EQ(loaded.Icon(), "help");
    EXPECT_EQ(loaded.BackColor(), mivoButton::kButtonFace);
    EXPECT_EQ(loaded.Style(), 0);
    loaded.ReadProperties(PropertyBag());
    EXPECT_EQ(loaded.Caption(), "?");
    EXPECT_EQ(loaded.Font(), host.font());
}

// A shown button whose idea of the cursor the test moves.
struct MouseRig : ::testing::Test {
    void SetUp() override
    {
        window.resize(200, 100);
        button = new mivoButton(&window);
        button->setGeometry(20, 20, 80, 25);
        button->SetCursorSource([this] { return cursor; });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void PointAt(QPoint local) { cursor = button->mapToGlobal(local); }
    void Move(QPoint local)
    {
        PointAt(local);
        QTest::mouseMove(button, local);
    }

    QWidget window;
    mivoButton* button = nullptr;
    QPoint cursor;
};

TEST_F(MouseRig, ClickOnlyWhenReleasedInside)
{
    QSignalSpy clicks(button, &mivoButton::Click);

    // Hover, press, leave for longer than a tick, come back, release: no Click.
    Move(QPoint(10, 10));
    EXPECT_EQ(button->State(), 1);
    EXPECT_TRUE(button->HoverTimerActive());
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button->State(), 2);
    PointAt(QPoint(-30, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->State() == 0; }, 5000));
    EXPECT_FALSE(button->HoverTimerActive());
    PointAt(QPoint(10, 10));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 0);

    // Press and release inside: one Click with the rounded position and the shift state.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10.5, 7.5), button->mapToGlobal(QPointF(10.5, 7.5)),
                        Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier | Qt::ControlModifier);
    QApplication::sendEvent(button, &release);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<qint16>(), 3);
    EXPECT_EQ(clicks.at(0).at(1).value<qint32>(), 10);
    EXPECT_EQ(clicks.at(0).at(2).value<qint32>(), 8);
    EXPECT_EQ(button->State(), 0);

    // Inside or not is the release event's own position, whatever the global cursor says
    // (the right and bottom edge still count as inside).
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    PointAt(QPoint(200, 200));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(80, 25));
    EXPECT_EQ(clicks.count(), 2);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    PointAt(QPoint(10, 10));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(81, 10));
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(button->State(), 0);

    // Only the left button presses.
    QTest::mousePress(button, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_NE(button->State(), 2);
    QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(10, 10));
}

TEST_F(MouseRig, DisabledButtonIgnoresMouseAndKeys)
{
    QSignalSpy clicks(button, &mivoButton::Click);
    button->SetEnabled(false);
    Move(QPoint(10, 10));
    EXPECT_EQ(button->State(), 0);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button->State(), 0);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::keyClick(button, Qt::Key_Space);
    button->AccessKeyPress(13);
    EXPECT_EQ(clicks.count(), 0);

    button->SetEnabled(true);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_A);
    button->AccessKeyPress(13);
    button->AccessKeyPress(27);
    button->AccessKeyPress(32);
    ASSERT_EQ(clicks.count(), 3);
    for (const auto& click : clicks) {
        EXPECT_EQ(click.at(0).value<qint16>(), 0);
        EXPECT_EQ(click.at(1).value<qint32>(), 0);
    }
    EXPECT_EQ(button->State(), 0); // a keyboard Click shows no pressed look
}

TEST(mivoButtonHost, EnterAndEscapeReachDefaultAndCancel)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* ok = new mivoButton(&window);
    auto* cancel = new mivoButton(&window);
    layout->addWidget(edit);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    AccessKeyRouter::Install(&window);
    window.show();
    QSignalSpy okClicks(ok, &mivoButton::Click);
    QSignalSpy cancelClicks(cancel, &mivoButton::Click);

    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(cancel, Qt::Key_Enter);
    EXPECT_EQ(okClicks.count(), 2);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks.count(), 1);
    EXPECT_EQ(okClicks.count(), 2);

    ok->SetEnabled(false);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(okClicks.count(), 2);
}

TEST(mivoButtonHost, FocusMarksAndHandsOn)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new mivoButton(&window);
    auto* disabled = new mivoButton(&window);
    auto* after = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(disabled);
    layout->addWidget(after);
    disabled->SetEnabled(false);

    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(first, &in);
    EXPECT_EQ(first->FaceFlags() & 64, 64);
    QApplication::sendEvent(first, &out);
    EXPECT_EQ(first->FaceFlags() & 64, 0);

    QApplication::sendEvent(disabled, &in);
    EXPECT_EQ(window.focusWidget(), after);
    EXPECT_EQ(disabled->FaceFlags() & 64, 0);

    // Nothing else to take the focus: it stays put instead of bouncing between buttons.
    QWidget lonely;
    auto* a = new mivoButton(&lonely);
    auto* b = new mivoButton(&lonely);
    a->SetEnabled(false);
    b->SetEnabled(false);
    QApplication::sendEvent(a, &in);
    EXPECT_NE(lonely.focusWidget(), b);
}

} // namespace
