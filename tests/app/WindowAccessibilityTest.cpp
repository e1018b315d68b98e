// The windows as assistive technology and the mouse meet them: every control named, with
// the role and actions it needs, and every command button clickable at every scale.

#include "common/BatchTestSupport.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "controls/mivoButton.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Every interface under root, depth first.
void Collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& all)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child)
            continue;
        all.push_back(child);
        Collect(child, all);
    }
}

QAccessibleInterface* Find(const std::vector<QAccessibleInterface*>& all, QObject* object)
{
    for (QAccessibleInterface* access : all) {
        if (access->object() == object)
            return access;
    }
    return nullptr;
}

struct Expected {
    QWidget* control;
    QAccessible::Role role;
    QString name;
    QWidget* label; // the visible label it is tied to, if any
    bool pressable;
};

// Checks each control as the window's accessibility tree shows it.
void CheckTree(QWidget& window, QAccessible::Role role, const std::vector<Expected>& controls)
{
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->role(), role);
    EXPECT_EQ(top->text(QAccessible::Name), window.windowTitle());
    std::vector<QAccessibleInterface*> all;
    Collect(top, all);
    for (const Expected& expected : controls) {
        const std::string what = expected.name.toStdString();
        QAccessibleInterface* access = Find(all, expected.control);
        ASSERT_NE(access, nullptr) << what << " is not in the tree";
        EXPECT_EQ(access->role(), expected.role) << what;
        EXPECT_EQ(access->text(QAccessible::Name), expected.name) << what;
        if (expected.label) {
            const auto labels = access->relations(QAccessible::Label);
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                    [&](const auto& relation) { return relation.first->object() == expected.label; }))
                << what << " is not tied to its label";
        }
        QAccessibleActionInterface* actions = access->actionInterface();
        EXPECT_EQ(actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                  expected.pressable)
            << what;
        if (qobject_cast<mivoButton*>(expected.control)) {
            EXPECT_EQ(access->childCount(), 0) << what << ": the icon library is no control";
        }
    }
}

class WindowAccessibilityTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.path() + u'/' + relative; }

    // A window whose "Verkleinern" is refused (target inside the source): a click shows
    // a recorded box and changes nothing.
    void RefusingSetup(Form1& window)
    {
        window.T_Quelle->setText(Path("src"));
        window.T_Ziel->setText(Path("src/klein"));
    }

    apptest::PrivateStore store;
    QTemporaryDir root;
};

} // namespace

TEST_F(WindowAccessibilityTest, EveryControlOfTheMainAndProgressWindowsIsNamed)
{
    Form1 window{QString()};
    window.mivoButton1_Click(); // the options too
    window.show();
    CheckTree(window, QAccessible::Window,
              {
                  {window.T_Quelle, QAccessible::EditableText, "Verzeichnis der Original-Bilder", window.Label1, false},
                  {window.CommandQuelle, QAccessible::PushButton, "Quellverzeichnis wählen …", nullptr, true},
                  {window.T_Ziel, QAccessible::EditableText, "nach Verzeichnis", window.Label2, false},
                  {window.CommandZiel, QAccessible::PushButton, "Zielverzeichnis wählen …", nullptr, true},
                  {window.T_Groesse, QAccessible::EditableText, "Kantenlänge / Prozent", window.Label4, false},
                  {window.HScroll_Quality, QAccessible::ScrollBar, "Qualität", window.Label5, false},
                  {window.mivoButton4, QAccessible::PushButton, "Über", nullptr, true},
                  {window.mivoButton2, QAccessible::PushButton, "Schließen", nullptr, true},
                  {window.mivoButton3, QAccessible::PushButton, "Verkleinern", nullptr, true},
              });

    Form2Progress progress(&window);
    progress.Open();
    CheckTree(*progress.Window(), QAccessible::Dialog,
              {{progress.Window()->mivoButton1, QAccessible::PushButton, "Abbrechen", nullptr, true},
               {progress.Window()->Picture1, QAccessible::ProgressBar, "Fortschritt", nullptr, false}});

    // The bar counts files. (Its change events reach a screen reader through the
    // platform's accessibility bridge, which the offscreen platform has not.)
    progress.FilesListed(4);
    progress.ShowProgress(0.25);
    progress.ShowProgress(0.5);
    QAccessibleValueInterface* bar =
        QAccessible::queryAccessibleInterface(progress.Window()->Picture1)->valueInterface();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->currentValue().toInt(), 2);
    EXPECT_EQ(bar->maximumValue().toInt(), 4);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(progress.Window()->Picture1)->text(QAccessible::Value), "2 von 4");
    progress.Close();
}

namespace {

// How a test reaches a button: through its accessibility action, or with the mouse at a
// point inside it (QT_SCALE_FACTOR decides the screen's scale).
enum class Way { Action, MouseCentre, MouseLastPixel };

void Reach(mivoButton* button, Way how)
{
    switch (how) {
    case Way::Action:
        QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        break;
    case Way::MouseCentre:
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        break;
    case Way::MouseLastPixel:
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().bottomRight());
        break;
    }
}

} // namespace

// Each button raises Click once, and what it starts happens: the About window opens, the
// options show, the refused run shows its box, the window closes, the run is cancelled.
TEST_F(WindowAccessibilityTest, EveryButtonClicksByMouseAndByItsAction)
{
    ASSERT_TRUE(QDir().mkpath(Path("src")));
    for (const Way how : {Way::Action, Way::MouseCentre, Way::MouseLastPixel}) {
        const std::string way = std::to_string(static_cast<int>(how)) + " at scale "
            + qEnvironmentVariable("QT_SCALE_FACTOR", "1").toStdString();
        Form1 window{QString()};
        RefusingSetup(window);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

        QString aboutCaption;
        QTimer::singleShot(0, [&] {
            if (QWidget* about = QApplication::activeModalWidget()) {
                aboutCaption = about->windowTitle();
                about->close();
            }
        });
        QSignalSpy about(window.mivoButton4, &mivoButton::Click);
        Reach(window.mivoButton4, how);
        EXPECT_EQ(about.count(), 1) << way;
        EXPECT_EQ(aboutCaption, "über...") << way;

        Reach(window.mivoButton1, how);
        EXPECT_TRUE(window.Frame1->isVisible()) << way;

        platform::MessageBoxRecorder boxes;
        Reach(window.mivoButton3, how);
        EXPECT_EQ(boxes.Calls().size(), 1u) << way;

        Form2 progress(&window);
        progress.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
        Reach(progress.mivoButton1, how);
        EXPECT_EQ(progress.Tag, "*") << way;

        Reach(window.mivoButton2, how);
        EXPECT_FALSE(window.isVisible()) << way;
    }
}
