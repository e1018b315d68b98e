#include "controls/mivoButtonAccessible.h"
#include "controls/mivoButton.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(mivoButtonAccessible, SpokenCaptionDropsAccessKeyMarks)
{
    const std::pair<QString, QString> cases[]{
        {"&Verkleinern", "Verkleinern"}, {"Bilder && Fotos", "Bilder & Fotos"}, {">Über", "Über"}, {"Ende&", "Ende&"}};
    for (const auto& [caption, spoken] : cases)
        EXPECT_EQ(mivoButtonAccessible::SpokenCaption(caption), spoken) << caption.toStdString();
}

TEST(mivoButtonAccessible, PushButtonWithStatesAndAPressActionLikeSpace)
{
    QWidget window;
    auto* button = new mivoButton(&window);
    button->SetCaption("&Abbrechen");
    button->SetIcon("error");
    button->setGeometry(10, 10, 100, 25);
    window.show();
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::PushButton);
    EXPECT_EQ(access->text(QAccessible::Name), "Abbrechen");
    EXPECT_EQ(access->childCount(), 0); // the icon library inside is no control
    EXPECT_FALSE(access->state().defaultButton);
    button->SetDefault(true);
    EXPECT_TRUE(access->state().defaultButton);

    QSignalSpy clicks(button, &mivoButton::Click);
    QAccessibleActionInterface* actions = access->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(button, Qt::Key_Space);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0), clicks.at(1)); // the same Click(0, 0, 0)

    // Disabled by its own flag: said so, and the action does nothing, as Space does.
    button->SetEnabled(false);
    EXPECT_TRUE(access->state().disabled);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
}
