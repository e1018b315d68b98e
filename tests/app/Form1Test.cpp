#include "common/BatchTestSupport.h"
#include "common/PictureTestFiles.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "app/MessageBoxDialog.h"
#include "app/ProgressBox.h"
#include "app/WindowLayout.h"
#include "batch/FolderWorkers.h"
#include "batch/JobSettings.h"
#include "controls/mivoButton.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "support/StdBrowse.h"
#include "support/StdRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPaintEvent>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A settings store in whose place stands something that never ends or never answers: the
// window still comes up, with the defaults.
TEST_F(Form1Test, StartsWithTheDefaultsWhenTheStoreIsADeviceOrAFifo)
{
    const QString path = platform::RegistryStorePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "FIFO" : "link to /dev/zero");
        QFile::remove(path);
        const QByteArray name = QFile::encodeName(path);
        ASSERT_EQ(fifo ? ::mkfifo(name, 0600) : ::symlink("/dev/zero", name), 0);
        Form1 window{QString()};
        EXPECT_EQ(window.Label_Quality->text(), "80");
        EXPECT_EQ(window.T_Groesse->text(), "640");
        EXPECT_FALSE(window.CheckSubPath->isChecked());
    }
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

TEST_F(Form1Test, OptionsFrameLineRunsAboveItsLabels)
{
    Form1 window{QString()};
    window.mivoButton1_Click();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage frame = window.Frame1->grab().toImage();
    // The first row of the frame's middle column that is not the window's colour is its
    // top line; the labels' text starts below it.
    const QRgb background = window.palette().color(QPalette::Window).rgb();
    const int middle = frame.width() / 2;
    int line = 0;
    while (line < frame.height() && frame.pixel(middle, line) == background)
        ++line;
    ASSERT_LT(line, frame.height());
    for (const QLabel* label : {window.Label4, window.Label5, window.Label_Quality})
        EXPECT_LT(line, label->y()) << label->text().toStdString();
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

TEST_F(Form1Test, UnreadableSourceFolderIsNamedAndNothingIsWritten)
{
    ASSERT_TRUE(WriteJpeg(Path("Gesperrt/a.jpg"), 8, 8));
    ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    const QByteArray locked = QFile::encodeName(Path("Gesperrt"));
    ASSERT_EQ(::chmod(locked.constData(), 0), 0);
    Form1 window(Path("Gesperrt"));
    window.T_Ziel->setText(Path("Ziel"));
    window.show();
    // The box, the window still open, nothing written; 0 when all holds.
    const auto run = [&] {
        platform::MessageBoxRecorder boxes;
        bool opened = false;
        QObject::connect(&window, &Form1::ProgressWindowOpened, [&] { opened = true; });
        window.mivoButton3_Click();
        const QString expected = "Das Verzeichnis " + Path("Gesperrt")
            + " kann nicht gelesen werden: keine Berechtigung.";
        if (boxes.Calls().size() != 1 || boxes.Calls()[0].text != expected)
            return 1;
        return opened || !window.isVisible() || QFileInfo::exists(Path("Ziel"))
                || QFileInfo::exists(Path("Gesperrt_klein"))
            ? 1
            : 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(run(), 0);
    } else {
        // Root reads every folder: the click runs in a child that has dropped to nobody.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            if (::access(QFile::encodeName(root.path()).constData(), X_OK) != 0)
                ::_exit(3);
            ::_exit(run());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            GTEST_SKIP() << "the temporary folder is out of reach of uid 65534";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: another box, a run or a write; 2: could not drop to uid 65534";
    }
    ::chmod(locked.constData(), 0755);
    EXPECT_FALSE(QFileInfo::exists(Path("Ziel")));
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
    ASSERT_TRUE(WriteJpeg(Path("Straße am Fluss.jpg"), 8, 8));
    Form1 window{QString()};
    // The application delivers drops only during a real drag, so the test hands the event
    // to the window the way the application would: directly, or through the box's filter.
    // The drag source offers a move first; the window must take a copy.
    Qt::DropAction taken = Qt::IgnoreAction;
    const auto drop = [&](const QList<QUrl>& urls, QWidget* on) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(5, 5), Qt::MoveAction | Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
        QObject& target = window;
        if (on == &window)
            target.event(&event);
        else
            target.eventFilter(on, &event);
        taken = event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    };
    drop({QUrl::fromLocalFile(Path("Fotos/"))}, &window);
    EXPECT_EQ(window.T_Quelle->text(), Path("Fotos"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Fotos_klein"));
    EXPECT_EQ(taken, Qt::CopyAction);
    // A picture gets the target it gets when named at start: its copy lies beside it.
    drop({QUrl::fromLocalFile(Path("Straße am Fluss.jpg"))}, window.T_Ziel);
    EXPECT_EQ(window.T_Quelle->text(), Path("Straße am Fluss.jpg"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Straße am Fluss_klein.jpg"));
    EXPECT_EQ(taken, Qt::CopyAction);
    // Remote addresses, several files and missing files are not taken.
    for (const QList<QUrl>& urls :
         {QList<QUrl>{QUrl("https://www.quarzlicht.example/a.jpg")},
          QList<QUrl>{QUrl::fromLocalFile(Path("Fotos")), QUrl::fromLocalFile(Path("Straße am Fluss.jpg"))},
          QList<QUrl>{QUrl::fromLocalFile(Path("fehlt"))}})
        drop(urls, &window);
    EXPECT_EQ(window.T_Quelle->text(), Path("Straße am Fluss.jpg"));
    EXPECT_EQ(window.T_Ziel->text(), Path("Straße am Fluss_klein.jpg"));
}

TEST_F(Form1Test, KeyboardDrivesTheQualityBarAndAltLettersAreNoText)
{
    Form1 window{QString()};
    window.show();
    window.mivoButton1_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QScrollBar* bar = window.HScroll_Quality;
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QImage unfocused = bar->grab().toImage();
    bar->setFocus();
    ASSERT_TRUE(bar->hasFocus());
    EXPECT_NE(bar->grab().toImage(), unfocused); // the focus shows
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

TEST(Form2Test, LongPathsLoseTheirStartAtASeparatorAndEndWithTheFileName)
{
    Form2 progress(nullptr);
    PathLabel* label = progress.Label1;
    const QString file = "IMG_20260712_134501.jpg";
    const QFontMetricsF metrics(label->font());
    const QString longFolder = QStringLiteral("/Urlaub 2026/Ein langer Ordner/") + QString(160, u'y');
    struct Case {
        QString path;
        QString shownEnd; // what the lines end with, joined
        bool shortened;
    };
    for (const Case& c : {Case{"/data/kurz/" + file, "/data/kurz/" + file, false},
                          Case{"/data/" + QString(200, u'x') + u'/' + file, "/" + file, true},
                          Case{"/data" + longFolder + u'/' + file, "/" + file, true}}) {
        label->setText(c.path);
        const QStringList lines = label->ShownLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_LE(lines.size(), 3);
        const QString shown = lines.join(QString());
        EXPECT_TRUE(shown.endsWith(c.shownEnd)) << shown.toStdString();
        EXPECT_EQ(shown.startsWith(u'\u2026'), c.shortened) << shown.toStdString();
        if (c.shortened) {
            EXPECT_TRUE(c.path.endsWith(shown.mid(1))) << shown.toStdString(); // cut at a separator
        }
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), label->contentsRect().width()) << line.toStdString();
    }
}

TEST(Form2Test, EscapeStopsLikeAbbrechen)
{
    Form2 progress(nullptr);
    progress.show();
    QTest::keyClick(progress.mivoButton1, Qt::Key_Escape); // the focus holder passes it on
    EXPECT_EQ(progress.Tag, "*");
}

TEST(Form2Test, ThePartOfTheBarRepaintedShowsTheCanvasThere)
{
    // After a file only the new part of the bar is repainted: that part must show the
    // canvas there, and the whole box the frame around it. Fills of three colours make a
    // shift visible.
    Form2 progress(nullptr);
    progress.show(); // the canvas takes the box's size
    app::ProgressBox* bar = progress.Picture1;
    bar->FillBox(0, 0, 0.3, 0.5, Qt::red);
    bar->FillBox(0.3, 0.5, 0.6, 1, Qt::blue);
    bar->FillBox(0.6, 0, 0.9, 1, Qt::green);
    const QRect inner = bar->contentsRect();
    const QImage canvas = bar->Canvas().convertToFormat(QImage::Format_RGB32);
    const QRect part(inner.x() + inner.width() / 5, inner.y() + 1, inner.width() / 2, inner.height() - 2);
    QImage repainted(bar->size(), QImage::Format_RGB32);
    bar->render(&repainted, part.topLeft(), QRegion(part));
    EXPECT_EQ(repainted.copy(part), canvas.copy(part.translated(-inner.topLeft())));
    const QImage whole = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(whole.copy(inner), canvas);
    EXPECT_NE(whole.pixel(0, 0), canvas.pixel(0, 0)); // the sunken frame
}

// Collects the regions a widget is asked to paint.
class PaintedRegions : public QObject {
public:
    explicit PaintedRegions(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST(Form2Test, EveryPixelAFillChangesIsDrawnAgain)
{
    // After a file only what changed of the bar is drawn again; a pixel left out keeps its
    // old colour on the screen. Fills that grow, repeat, change colour and go back.
    Form2 progress(nullptr);
    progress.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
    app::ProgressBox* bar = progress.Picture1;
    PaintedRegions regions(bar);
    struct Fill {
        double from, to;
        QColor colour;
    };
    for (const Fill& fill : {Fill{0, 0.3, Qt::red}, Fill{0, 0.6, Qt::red}, Fill{0, 0.6, Qt::red},
                             Fill{0.2, 0.4, Qt::green}, Fill{0, 0.7, Qt::red}, Fill{0.5, 0.8, Qt::red}}) {
        const QImage before = bar->Canvas().copy();
        bar->FillBox(fill.from, 0, fill.to, 1, fill.colour);
        QCoreApplication::processEvents();
        const QImage after = bar->Canvas();
        const QPoint inner = bar->contentsRect().topLeft();
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                if (after.pixel(x, y) != before.pixel(x, y)) {
                    ASSERT_TRUE(regions.painted.contains(QPoint(x, y) + inner)) << fill.to << " at " << x << "," << y;
                }
            }
        }
        regions.painted = QRegion();
    }
}

TEST(Form2Test, MessageBoxesLeaveTheProgressPathInView)
{
    // Owner and progress window in the middle of the screen, where a box lands by default.
    QWidget owner;
    owner.resize(400, 200);
    owner.move(QGuiApplication::primaryScreen()->availableGeometry().center() - owner.rect().center());
    Form2Progress progress(&owner);
    progress.RunStarted(batch::RunKind::Folder);
    progress.FileStarted("/data/Urlaub/IMG_0001.jpg");
    QRect box;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        box = shown->frameGeometry();
        shown->close();
    });
    app::ShowMessageBoxDialog(
        {"Failed to save to JPG", "Verkleinern", platform::MsgIcon::Critical, platform::MsgButtons::OK});
    ASSERT_TRUE(box.isValid());
    PathLabel* path = progress.Window()->Label1;
    EXPECT_FALSE(box.intersects(QRect(path->mapToGlobal(QPoint(0, 0)), path->size())));
    progress.RunEnded();
}

TEST(WindowLanguage, QtsOwnTextsAreGerman)
{
    ASSERT_TRUE(app::InstallQtGerman()) << "Qt's translations missing (qt6-translations-l10n)";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), "&Nein");
}
