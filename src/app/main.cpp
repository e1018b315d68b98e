// Zimbrel: shrinks the JPEG photos of a folder (or one photo) into a target folder.
//   zimbrel [picture or folder]

#include "Form1.h"
#include "JobSettings.h"
#include "MessageBoxDialog.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zimbrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zimbrel/zimbrel.png")));
    platform::SetMessageBoxPresenter(app::ShowMessageBoxDialog);
    app::InstallQtGerman();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst(); // the program's own name
    Form1 window(batch::CommandLineFromArguments(arguments));
    window.show();
    return QApplication::exec();
}
