// Zimbrel: shrinks the JPEG photos of a folder (or one photo) into a target folder.
//   zimbrel [picture or folder]

#include "Form1.h"
#include "MessageBoxDialog.h"
#include "WindowLayout.h"
#include "batch/JobSettings.h"
#include "draw/ClipboardBridge.h"
#include "platform/FatalErrors.h"
#include "platform/VersionInfo.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    platform::ReportUnhandledErrors("zimbrel");
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::ProductName());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zimbrel/zimbrel.png")));
    platform::SetMessageBoxPresenter(app::ShowMessageBoxDialog);
    draw::ConnectClipboard();
    app::InstallQtGerman();

    // Qt has taken its own options out of argv by now.
    Form1 window(batch::CommandLineFromArguments(batch::ProgramArguments(argc, argv)));
    window.show();
    return QApplication::exec();
}
