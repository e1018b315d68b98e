// Renders the windows to PNG files, to look at them as a user would: the main window
// (compact, expanded, and with the quality bar focused), the progress window in the middle of a run, the About window,
// the folder chooser (and with a deep folder) and a question box, at 1x and again at 2x (a high-density screen,
// files named ...@2x.png).
//   zimbrel_window_shots OUTPUT_FOLDER [SCALE]
// Without SCALE the tool renders 1x and then runs itself for 2x.

#include "about/FreewareABout.h"
#include "about/LinkLabel.h"
#include "app/Form1.h"
#include "app/Form2.h"
#include "app/WindowLayout.h"
#include "batch/JobSettings.h"
#include "platform/MessageBox.h"
#include "support/StdBrowse.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void Save(QWidget& window, const QString& out, const QString& name, const QString& suffix)
{
    window.grab().save(out + u'/' + name + suffix + QStringLiteral(".png"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: zimbrel_window_shots OUTPUT_FOLDER [SCALE]\n");
        return 2;
    }
    const QByteArray scale = argc == 3 ? QByteArray(argv[2]) : QByteArray("1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", scale);
    QApplication application(argc, argv);
    app::InstallQtGerman();
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = scale == "1" ? QString() : QStringLiteral("@") + QString::fromLatin1(scale) + u'x';
    QDir().mkpath(out);

    // A private store and a source folder, so the pictures never show the user's settings.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    const QString source = scratch.path() + QStringLiteral("/Urlaub 2026");
    QDir().mkpath(source + QStringLiteral("/Strand"));

    Form1 window(batch::CommandLineFromArguments({source}));
    window.show();
    Save(window, out, QStringLiteral("form1-compact"), suffix);
    window.mivoButton1_Click();
    Save(window, out, QStringLiteral("form1-expanded"), suffix);
    // Where the keyboard is: the quality bar with the focus.
    window.activateWindow();
    for (int wait = 0; wait < 100 && !window.isActiveWindow(); ++wait)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    window.HScroll_Quality->setFocus();
    Save(window, out, QStringLiteral("form1-quality-focus"), suffix);

    FreewareABout about(&window);
    about.show();
    Save(about, out, QStringLiteral("about"), suffix);
    // The web link reached with Tab.
    about.activateWindow();
    for (int wait = 0; wait < 100 && !about.isActiveWindow(); ++wait)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    about.Label2->setFocus(Qt::TabFocusReason);
    Save(about, out, QStringLiteral("about-link-focus"), suffix);
    about.close();

    StdBrowse::BrowseDialog chooser(&window, QStringLiteral("Verzeichnis der Original-Bilder"));
    chooser.SelectFolder(source + QStringLiteral("/Strand"));
    chooser.show();
    // The folder tree is read in the background.
    QEventLoop loading;
    QTimer::singleShot(500, &loading, &QEventLoop::quit);
    loading.exec();
    Save(chooser, out, QStringLiteral("chooser"), suffix);
    // A folder deep down: the status line shortens the path in its middle.
    const QString deep = source
        + QStringLiteral("/Strand/Italien/Sardinien/Cala Gonone/Tag 3 Bootsausflug/Grotta del Bue Marino/"
                         "Unterwasser/Fische und Korallen/Auswahl für das Fotobuch");
    QDir().mkpath(deep);
    chooser.SelectFolder(deep);
    QTimer::singleShot(500, &loading, &QEventLoop::quit);
    loading.exec();
    Save(chooser, out, QStringLiteral("chooser-deep"), suffix);
    chooser.close();

    // The overwrite question of a single picture; Qt's own button texts in German once its
    // catalogue is loaded.
    QMessageBox question(QMessageBox::Question, QStringLiteral("Verkleinern"),
                         QStringLiteral("Zieldatei existiert.\n\nÜberschreiben?"), QMessageBox::Yes | QMessageBox::No,
                         &window);
    question.show();
    Save(question, out, QStringLiteral("question"), suffix);
    question.close();

    Form2Progress progress(&window);
    progress.Open();
    progress.ShowStatus(
        source
        + QStringLiteral("/Ein sehr langer Ordnername mit Umlauten äöü/"
                         "EinOrdnernameGanzOhneLeerzeichenDerNichtAufEineZeilePasstUndNochVielLaengerIstAlsDasFenster/"
                         "IMG_20260712_134501.jpg"));
    progress.ShowProgress(0.25);
    Save(*progress.Window(), out, QStringLiteral("form2-running"), suffix);
    progress.Close();

    if (argc == 2)
        return QProcess::execute(QCoreApplication::applicationFilePath(), {out, QStringLiteral("2")});
    return 0;
}
