#include "common/BatchTestSupport.h"
#include "common/PictureTestFiles.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "app/WindowLayout.h"
#include "batch/FolderWorkers.h"
#include "batch/JobSettings.h"
#include "controls/mivoButton.h"
#include "platform/MessageBox.h"
#include "support/StdBrowse.h"
#include "support/StdRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using apptest::JpegSize;
using apptest::WriteJpeg;

namespace {

using apptest::kUnset;
using apptest::StoredValue;

// Clicks a mivoButton the way a user does: the cursor over it, press and release.
void Click(mivoButton* button)
{
    button->SetCursorSource([button] { return button->mapToGlobal(button->rect().center()); });
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Share of the progress bar's first row that is red.
double RedShare(const QImage& canvas)
{
    int red = 0;
    for (int x = 0; x < canvas.width(); ++x)
        red += canvas.pixel(x, 0) == qRgb(255, 0, 0);
    return static_cast<double>(red) / canvas.width();
}

class Form1Test : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.path() + u'/' + relative; }

    apptest::PrivateStore store;
    QTemporaryDir root;
};

} // namespace

TEST_F(Form1Test, FirstStartShowsTheDefaultsInTheCompactLayout)
{
    Form1 window{QString()};
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    EXPECT_EQ(window.windowTitle(), "Zimbrel");
    EXPECT_EQ(window.size(), QSize(411, 145));
    EXPECT_EQ(window.T_Quelle->text(), pictures);
    EXPECT_EQ(window.T_Ziel->text(), batch::DerivedTarget(pictures));
    EXPECT_FALSE(window.CheckSubPath->isChecked());
    EXPECT_EQ(window.HScroll_Quality->value(), 80);
    EXPECT_EQ(window.Label_Quality->text(), "80");
    EXPECT_EQ(window.T_Groesse->text(), "640");
    EXPECT_TRUE(window.Frame1->isHidden());
    EXPECT_EQ(window.mivoButton3->Caption(), "Verkleinern");
    EXPECT_EQ(window.mivoButton2->Icon(), "error");
    EXPECT_EQ(window.T_Quelle->geometry(), QRect(8, 24, 368, 19));
    EXPECT_EQ(window.mivoButton3->geometry(), QRect(296, 112, 105, 25));
    // The tab order starts at the target box and runs on to the options button.
    EXPECT_EQ(window.T_Ziel->nextInFocusChain(), window.CommandZiel);
}

TEST_F(Form1Test, StartWithArgumentsAndStoredSettings)
{
    ASSERT_TRUE(QDir().mkpath(Path("Bilder")));
    StdRegistry::SaveRegString(1, StdRegistry::GetSettingsKey(), batch::kSourcePathValue, "/stored");
    StdRegistry::SaveRegString(1, StdRegistry::GetSettingsKey(), batch::kQualityValue, "35");
    StdRegistry::SaveRegString(1, StdRegistry::GetSettingsKey(), batch::kSubPathValue, "1");
    {
        Form1 window(Path("Bilder/"));
        EXPECT_EQ(window.T_Quelle->text(), Path("Bilder"));
        EXPECT_EQ(window.T_Ziel->text(), Path("Bilder_klein"));
        EXPECT_TRUE(window.CheckSubPath->isChecked());
        EXPECT_EQ(window.Label_Quality->text(), "35");
    }
    Form1 file(batch::CommandLineFromArguments({Path("Meine Bilder/a.b.jpg")}));
    EXPECT_EQ(file.T_Quelle->text(), Path("Meine Bilder/a.b.jpg"));
    EXPECT_EQ(file.T_Ziel->text(), Path("Meine Bilder/a.b_klein.jpg"));
}

TEST_F(Form1Test, TargetFollowsEveryChangeOfTheSource)
{
    Form1 window{QString()};
    window.T_Ziel->setText("/chosen/target");
    window.T_Quelle->clear();
    EXPECT_EQ(window.T_Ziel->text(), "_klein");
    QTest::keyClicks(window.T_Quelle, "/data/Bilder/");
    EXPECT_EQ(window.T_Ziel->text(), "/data/Bilder_klein");
    window.T_Quelle->setText("/");
    EXPECT_EQ(window.T_Ziel->text(), "/_klein");
}

TEST_F(Form1Test, OptionsExpandTheWindowOnceAndForGood)
{
    Form1 window{QString()};
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Click(window.mivoButton1);
    EXPECT_TRUE(window.mivoButton1->isHidden());
    EXPECT_TRUE(window.Frame1->isVisible());
    EXPECT_EQ(window.Frame1->geometry(), QRect(8, 112, 393, 73));
    for (mivoButton* button : {window.mivoButton2, window.mivoButton3, window.mivoButton4})
        EXPECT_EQ(button->y(), 208);
    EXPECT_EQ(window.mivoButton4->x(), 8);
    EXPECT_EQ(window.height(), 241);
    EXPECT_EQ(window.T_Groesse->geometry(), QRect(8, 32, 57, 19));
}

TEST_F(Form1Test, QualityLabelFollowsTheThumbWhileDragging)
{
    Form1 window{QString()};
    QScrollBar* bar = window.HScroll_Quality;
    bar->setSliderDown(true);
    bar->setSliderPosition(37);
    EXPECT_EQ(window.Label_Quality->text(), "37");
    bar->setSliderPosition(99);
    EXPECT_EQ(window.Label_Quality->text(), "99");
    bar->setSliderDown(false);
    bar->setValue(5);
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(window.Label_Quality->text(), "10");
    bar->setValue(500);
    EXPECT_EQ(window.Label_Quality->text(), "100");
}

TEST_F(Form1Test, CloseEndsWithoutSaving)
{
    Form1 window{QString()};
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.T_Groesse->setText("50%");
    Click(window.mivoButton2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(StoredValue(batch::kSizeValue), kUnset);
}

TEST_F(Form1Test, FolderRunShowsProgressThenClosesTheProgram)
{
    for (int i = 1; i <= 4; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 64, 48));
    Form1 window(Path("src"));
    window.T_Ziel->setText(Path("out"));
    window.T_Groesse->setText("32");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QPointer<Form2> progress;
    double shareAfterFirst = -1;
    bool commandsWereDisabled = false;
    QObject::connect(&window, &Form1::ProgressWindowOpened, [&](QWidget* opened) {
        progress = qobject_cast<Form2*>(opened);
        // The first chance for this to run is the event processing after the first file.
        QTimer::singleShot(0, [&] {
            shareAfterFirst = RedShare(progress->Picture1->Canvas());
            commandsWereDisabled = !window.mivoButton3->Enabled() && !window.T_Quelle->isEnabled();
            window.mivoButton3_Click(); // a second command during the run is ignored
        });
    });
    Click(window.mivoButton3);

    EXPECT_NEAR(shareAfterFirst, 0.25, 0.01);
    EXPECT_TRUE(commandsWereDisabled);
    EXPECT_FALSE(window.isVisible()); // the program ends after the run
    EXPECT_TRUE(progress.isNull() || !progress->isVisible());
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(JpegSize(Path(QStringLiteral("out/%1.jpg").arg(i))), QSize(32, 24));
    EXPECT_EQ(StoredValue(batch::kDestPathValue), Path("out"));
    EXPECT_EQ(StoredValue(batch::kSizeValue), "32");
}

TEST_F(Form1Test, FolderRunTakesPhoneAndWebPictures)
{
    const QMap<QString, QSize> expected = testfiles::WriteMixedFolder(Path("src"));
    ASSERT_FALSE(expected.isEmpty());
    Form1 window(Path("src"));
    window.T_Ziel->setText(Path("out"));
    window.T_Groesse->setText("32");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Click(window.mivoButton3);

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files, QDir::Name), QStringList(expected.keys()));
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(JpegSize(Path("out/" + it.key())), it.value()) << it.key().toStdString();
}

TEST_F(Form1Test, AbbrechenAndTheFrameCloseBoxesStopTheRunAfterTheFilesInWork)
{
    // One file per worker is in work when the user stops; the rest never start.
    const int workers = batch::WorkerCount(0);
    const int count = workers + 3;
    for (int i = 1; i <= count; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 40, 40));
    enum class Stop { Button, ProgressFrame, MainFrame };
    for (const Stop stop : {Stop::Button, Stop::ProgressFrame, Stop::MainFrame}) {
        const QString target = Path(QStringLiteral("out%1").arg(static_cast<int>(stop)));
        Form1 window(Path("src"));
        window.T_Ziel->setText(target);
        window.show();
        QPointer<Form2> progress;
        bool windowsStayedOpen = false;
        QObject::connect(&window, &Form1::ProgressWindowOpened, [&](QWidget* opened) {
            progress = qobject_cast<Form2*>(opened);
            QTimer::singleShot(0, [&] {
                if (stop == Stop::Button)
                    Click(progress->mivoButton1);
                else if (stop == Stop::ProgressFrame)
                    progress->close();
                else
                    window.close();
                windowsStayedOpen = progress->isVisible() && window.isVisible();
            });
        });
        Click(window.mivoButton3);
        EXPECT_TRUE(windowsStayedOpen) << static_cast<int>(stop);
        const QStringList written = QDir(target).entryList(QDir::Files);
        EXPECT_GE(written.size(), 1) << static_cast<int>(stop);
        EXPECT_LE(written.size(), workers) << static_cast<int>(stop);
        for (const QString& name : written)
            EXPECT_EQ(JpegSize(target + u'/' + name), QSize(40, 40)) << name.toStdString(); // complete files only
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(StoredValue(batch::kDestPathValue), target);
    }
}

TEST_F(Form1Test, RefusedRunKeepsTheWindowOpenAndSavesNothing)
{
    ASSERT_TRUE(QDir().mkpath(Path("src")));
    Form1 window(Path("src"));
    window.T_Ziel->setText(Path("src/klein"));
    window.show();
    platform::MessageBoxRecorder boxes;
    bool opened = false;
    QObject::connect(&window, &Form1::ProgressWindowOpened, [&] { opened = true; });
    Click(window.mivoButton3);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, "Ziel-Verzeichnis darf nicht unterhalb des Quell-Verzeichnisses liegen!");
    EXPECT_FALSE(opened);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.mivoButton3->Enabled());
    EXPECT_EQ(window.T_Ziel->text(), Path("src/klein"));
    EXPECT_FALSE(QFileInfo::exists(Path("src/klein")));
    EXPECT_EQ(StoredValue(batch::kQualityValue), kUnset);
}

namespace {

// Answers the next folder chooser: pick a folder (highlight it and press OK) or cancel.
// Returns the title and status line the chooser showed.
struct ChooserSeen {
    QString title;
    QString status;
};
void AnswerChooser(const QString& pick, ChooserSeen* seen = nullptr)
{
    QTimer::singleShot(0, [pick, seen] {
        auto* dialog = qobject_cast<StdBrowse::BrowseDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (seen)
            *seen = {dialog->findChild<QLabel*>()->text(), dialog->StatusText()};
        if (pick.isEmpty()) {
            dialog->CancelButton()->click();
            return;
        }
        dialog->SelectFolder(pick);
        dialog->OkButton()->click();
    });
}

} // namespace

TEST_F(Form1Test, FolderChoosersFillTheirBoxes)
{
    ASSERT_TRUE(QDir().mkpath(Path("Bilder")));
    ASSERT_TRUE(QDir().mkpath(Path("Ziel")));
    Form1 window(Path("Bilder/"));
    window.T_Ziel->setText(Path("gewählt"));

    // The source chooser opens at the box's folder and resets the target, even when the
    // same folder is chosen again.
    ChooserSeen seen;
    AnswerChooser(Path("Bilder"), &seen);
    window.CommandQuelle_Click();
    EXPECT_EQ(seen.title, "Verzeichnis der Original-Bilder");
    EXPECT_EQ(seen.status, Path("Bilder"));
    EXPECT_EQ(window.T_Quelle->text(), Path("Bilder"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Bilder_klein"));

    // Cancel changes nothing.
    AnswerChooser(QString());
    window.CommandQuelle_Click();
    AnswerChooser(QString());
    window.CommandZiel_Click();
    EXPECT_EQ(window.T_Quelle->text(), Path("Bilder"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Bilder_klein"));

    // The target chooser touches only the target.
    AnswerChooser(Path("Ziel"), &seen);
    window.CommandZiel_Click();
    EXPECT_EQ(seen.title, "Verzeichnis der verkleinerten Bilder");
    EXPECT_EQ(window.T_Ziel->text(), Path("Ziel"));
    EXPECT_EQ(window.T_Quelle->text(), Path("Bilder"));

    // The root keeps its separator.
    AnswerChooser("/");
    window.CommandQuelle_Click();
    EXPECT_EQ(window.T_Quelle->text(), "/");
    EXPECT_EQ(window.T_Ziel->text(), "/_klein");
    EXPECT_EQ(StoredValue(batch::kSourcePathValue), kUnset);
}

TEST_F(Form1Test, AboutOpensModallyOverTheWindow)
{
    Form1 window{QString()};
    window.show();
    QString caption;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        modal = about->parentWidget() == &window;
        QTest::keyClick(about, Qt::Key_Escape);
    });
    Click(window.mivoButton4);
    EXPECT_EQ(caption, "über...");
    EXPECT_TRUE(modal);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(Form1Test, DroppedFolderOrPictureBecomesTheSource)
{
    ASSERT_TRUE(QDir().mkpath(Path("Fotos")));
    ASSERT_TRUE(WriteJpeg(Path("a.jpg"), 8, 8));
    Form1 window{QString()};
    // The application delivers drops only during a real drag, so the test hands the event
    // to the window the way the application would: directly, or through the box's filter.
    const auto drop = [&](const QList<QUrl>& urls, QWidget* on) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QObject& target = window;
        if (on == &window)
            target.event(&event);
        else
            target.eventFilter(on, &event);
    };
    drop({QUrl::fromLocalFile(Path("Fotos/"))}, &window);
    EXPECT_EQ(window.T_Quelle->text(), Path("Fotos"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Fotos_klein"));
    drop({QUrl::fromLocalFile(Path("a.jpg"))}, window.T_Ziel);
    EXPECT_EQ(window.T_Quelle->text(), Path("a.jpg"));
    // Remote addresses, several files and missing files are not taken.
    for (const QList<QUrl>& urls : {QList<QUrl>{QUrl("https://www.quarzlicht.example/a.jpg")},
                                    QList<QUrl>{QUrl::fromLocalFile(Path("Fotos")), QUrl::fromLocalFile(Path("a.jpg"))},
                                    QList<QUrl>{QUrl::fromLocalFile(Path("fehlt"))}})
        drop(urls, &window);
    EXPECT_EQ(window.T_Quelle->text(), Path("a.jpg"));
    EXPECT_EQ(window.T_Ziel->text(), Path("a.jpg_klein"));
}

TEST_F(Form1Test, KeyboardDrivesTheQualityBarAndAltLettersAreNoText)
{
    Form1 window{QString()};
    window.show();
    window.mivoButton1_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QScrollBar* bar = window.HScroll_Quality;
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(bar->value(), 81);
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 79);
    EXPECT_EQ(window.Label_Quality->text(), "79");

    window.T_Ziel->setText("/ziel");
    window.T_Ziel->setFocus();
    QTest::keyClick(window.T_Ziel, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(window.T_Ziel->text(), "/ziel");
}

TEST(Form2Test, LongPathsWrapInsideNamesAndEndWithTheFileName)
{
    Form2 progress(nullptr);
    PathLabel* label = progress.Label1;
    const QString file = "IMG_20260712_134501.jpg";
    for (const QString& folder :
         {QString(90, u'x'), QStringLiteral("/Urlaub 2026/Ein langer Ordner/") + QString(160, u'y')}) {
        label->setText("/data/" + folder + u'/' + file);
        const QStringList lines = label->ShownLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_LE(lines.size(), 3);
        EXPECT_TRUE(lines.last().endsWith(file)) << lines.last().toStdString();
        EXPECT_TRUE(label->text().endsWith(lines.join(QString())));
        const QFontMetricsF metrics(label->font());
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), label->contentsRect().width()) << line.toStdString();
    }
}

TEST(WindowLanguage, QtsOwnTextsAreGerman)
{
    ASSERT_TRUE(app::InstallQtGerman()) << "Qt's translations missing (qt6-translations-l10n)";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), "&Nein");
}
