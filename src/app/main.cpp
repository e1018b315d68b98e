// Zimbrel: shrinks the photos of a folder (or one photo) into a target folder.
//   zimbrel [picture or folder]
//   zimbrel --help | --version    print and exit: no window, no settings touched

#include "Form1.h"
#include "MessageBoxDialog.h"
#include "WindowLayout.h"
#include "batch/JobSettings.h"
#include "draw/ClipboardBridge.h"
#include "platform/FatalErrors.h"
#include "platform/VersionInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QIcon>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kHelp[] = "Usage: zimbrel [FOLDER | PICTURE]\n"
                         "Opens the window that shrinks the pictures of FOLDER (or the one PICTURE) into JPEG\n"
                         "copies in a target folder beside it, named after it with \"_klein\". Without an argument\n"
                         "the window starts with the folders of the last run. The window speaks German.\n"
                         "\n"
                         "  -h, --help     this text\n"
                         "      --version  the program's version\n"
                         "\n"
                         "zimbrel-shrink does the same from the command line, without a window.\n";

// Answers --help and --version before anything else starts: no display is needed and
// no settings are read. Returns the exit status, or -1 when the window is to open.
int AnswerInformationOption(int argc, char** argv)
{
    if (argc < 2)
        return -1;
    const char* text = nullptr;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        text = kHelp;
    else if (std::strcmp(argv[1], "--version") == 0)
        text = "zimbrel " ZIMBREL_VERSION "\n";
    else
        return -1;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "zimbrel: cannot write to standard output: %s\n", std::strerror(errno));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerInformationOption(argc, argv); status >= 0)
        return status;
    platform::ReportUnhandledErrors("zimbrel");
    // The windows are small. Drawn through shared memory, each repaint on X11 waits for
    // the server to say it has read the pixels; with every core busy shrinking, that
    // wait held up the worker waiting for its next file. Sent through the connection, the
    // pixels cost a copy and no wait.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::ProductName());
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quarzlicht.Zimbrel")); // its desktop entry
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zimbrel/zimbrel.png")));
    platform::SetMessageBoxPresenter(app::ShowMessageBoxDialog);
    draw::ConnectClipboard();
    app::InstallQtGerman();

    // Qt has taken its own options out of argv by now.
    Form1 window(batch::CommandLineFromArguments(batch::ProgramArguments(argc, argv)));
    window.show();
    const int status = QApplication::exec();
    // Every copy and setting is on disk by now. Taking the windows, Qt and its plugins
    // down one by one would only add to the wait at the end of a run; a clipboard this
    // program holds still gets Qt's goodbye, which hands it to the desktop's keeper.
    if (!QGuiApplication::clipboard()->ownsClipboard()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
