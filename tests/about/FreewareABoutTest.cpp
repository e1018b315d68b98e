#include "about/FreewareABout.h"
#include "about/LinkLabel.h"
#include "support/ShellOpener.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void ClickLink(QLabel* link)
{
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
}

} // namespace

TEST(FreewareABout, ShowsTheMakerInItsFixedLayout)
{
    QWidget owner;
    owner.setGeometry(100, 100, 400, 300);
    FreewareABout about(&owner);
    EXPECT_EQ(about.windowTitle(), "über...");
    EXPECT_EQ(about.size(), QSize(308, 137));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    const QStringList lines = about.Label1->text().split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines.mid(0, 4), QStringList({"FREEWARE", "", "Zur Verfügung gestellt von:", "Quarzlicht Software"}));
    EXPECT_TRUE(lines[5].startsWith("D-")) << lines[5].toStdString();
    EXPECT_EQ(about.Label2->text(), "https://www.quarzlicht.example/");
    EXPECT_EQ(about.Label3->text(), "info@quarzlicht.example");
    EXPECT_TRUE(about.Label2->font().underline());
    EXPECT_EQ(about.Label3->cursor().shape(), Qt::UpArrowCursor);
    EXPECT_EQ(about.Picture1->pixmap().size(), QSize(149, 84));
    EXPECT_EQ(about.Picture1->geometry(), QRect(152, 0, 149, 84));
    EXPECT_EQ(about.Command1->geometry(), QRect(216, 104, 81, 25));
    EXPECT_EQ(about.geometry().center(), owner.geometry().center());
}

TEST(FreewareABout, LinksOpenThroughTheDesktopAndFailuresStayQuiet)
{
    QStringList opened;
    bool launches = true;
    StdModul::SetShellOpener({[](const QString&) { return true; },
                              [&](const QString& target, const QString&, const QString&, bool) {
                                  opened << target;
                                  return launches;
                              }});
    FreewareABout about(nullptr);
    about.show();
    ClickLink(about.Label2);
    ClickLink(about.Label3);
    launches = false;
    ClickLink(about.Label3); // nothing to see, nothing thrown
    StdModul::SetShellOpener({});
    EXPECT_EQ(opened,
              QStringList({"https://www.quarzlicht.example/", "mailto:info@quarzlicht.example",
                           "mailto:info@quarzlicht.example"}));
    EXPECT_TRUE(about.isVisible());
}

TEST(FreewareABout, EnterEscapeAndOkClose)
{
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) {
        FreewareABout about(nullptr);
        bool closed = false;
        QTimer::singleShot(0, [&] {
            if (key)
                QTest::keyClick(about.Command1, Qt::Key(key));
            else
                QTest::mouseClick(about.Command1, Qt::LeftButton);
            closed = !about.isVisible();
            about.reject(); // a window that stayed open must not hang the test
        });
        about.exec();
        EXPECT_TRUE(closed) << key;
    }
}

TEST(FreewareABout, KeyboardAndAssistiveTechnologyReachBothLinks)
{
    QStringList opened;
    StdModul::SetShellOpener({[](const QString&) { return true; },
                              [&](const QString& target, const QString&, const QString&, bool) {
                                  opened << target;
                                  return true;
                              }});
    FreewareABout about(nullptr);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&about);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Dialog);
    EXPECT_EQ(window->text(QAccessible::Name), "über...");
    QAccessibleInterface* logo = QAccessible::queryAccessibleInterface(about.Picture1);
    EXPECT_EQ(logo->text(QAccessible::Name), "Logo");

    // Tab from OK reaches the web link, then the mail link; Return opens the one, Space
    // the other. The accessibility action opens them too.
    struct Link {
        LinkLabel* label;
        Qt::Key key;
        QString target;
    };
    QWidget* focus = about.Command1;
    const QImage unfocused = about.Label2->grab().toImage();
    for (const Link& link : {Link{about.Label2, Qt::Key_Return, "https://www.quarzlicht.example/"},
                             Link{about.Label3, Qt::Key_Space, "mailto:info@quarzlicht.example"}}) {
        QTest::keyClick(focus, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), link.label) << link.target.toStdString();
        if (link.label == about.Label2) {
            EXPECT_NE(link.label->grab().toImage(), unfocused); // the focus shows
        }
        focus = link.label;
        QTest::keyClick(link.label, link.key);
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(link.label);
        EXPECT_EQ(access->role(), QAccessible::Link);
        EXPECT_EQ(access->text(QAccessible::Name), link.label->text());
        EXPECT_EQ(access->text(QAccessible::Value), link.target);
        EXPECT_TRUE(access->state().focusable);
        ASSERT_NE(access->actionInterface(), nullptr);
        access->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    StdModul::SetShellOpener({});
    EXPECT_EQ(opened,
              QStringList({"https://www.quarzlicht.example/", "https://www.quarzlicht.example/",
                           "mailto:info@quarzlicht.example", "mailto:info@quarzlicht.example"}));
}
