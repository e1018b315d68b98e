// Renders the main window (compact and expanded) and the progress window in the middle of
// a run to PNG files, to look at them as a user would.
//   zimbrel_window_shots OUTPUT_FOLDER

#include "app/Form1.h"
#include "app/Form2.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zimbrel_window_shots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    // A private store and a source folder, so the pictures never show the user's settings.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    const QString source = scratch.path() + QStringLiteral("/Urlaub 2026");
    QDir().mkpath(source);

    Form1 window(source);
    window.show();
    window.grab().save(out + QStringLiteral("/form1-compact.png"));
    window.mivoButton1_Click();
    window.grab().save(out + QStringLiteral("/form1-expanded.png"));

    Form2Progress progress(&window);
    progress.Open();
    progress.ShowStatus(source + QStringLiteral("/Ein sehr langer Ordnername mit Umlauten äöü/IMG_20260712_134501.jpg"));
    progress.ShowProgress(0.25);
    progress.Window()->grab().save(out + QStringLiteral("/form2-running.png"));
    progress.Close();
    return 0;
}
