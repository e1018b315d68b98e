#include "MessageBoxDialog.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {

QMessageBox::Icon IconOf(platform::MsgIcon icon)
{
    switch (icon) {
    case platform::MsgIcon::Critical:
        return QMessageBox::Critical;
    case platform::MsgIcon::Question:
        return QMessageBox::Question;
    case platform::MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case platform::MsgIcon::Information:
        return QMessageBox::Information;
    case platform::MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

platform::MsgAnswer ShowMessageBoxDialog(const platform::MessageBoxCall& call)
{
    QMessageBox box(IconOf(call.icon), call.title, call.text, QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* first = nullptr;
    switch (call.buttons) {
    case platform::MsgButtons::OK:
        first = box.addButton(QMessageBox::Ok);
        break;
    case platform::MsgButtons::OKCancel:
        first = box.addButton(QMessageBox::Ok);
        box.addButton(QMessageBox::Cancel);
        break;
    case platform::MsgButtons::YesNo:
        first = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        break;
    case platform::MsgButtons::YesNoCancel:
        first = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        box.addButton(QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(first);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return platform::MsgAnswer::Yes;
    case QMessageBox::No:
        return platform::MsgAnswer::No;
    case QMessageBox::Cancel:
        return platform::MsgAnswer::Cancel;
    case QMessageBox::Ok:
        return platform::MsgAnswer::OK;
    default:
        break;
    }
    // Closed by its frame or Escape: the cancel button where there is one, else the only one.
    return call.buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No
        : call.buttons == platform::MsgButtons::OK     ? platform::MsgAnswer::OK
                                                       : platform::MsgAnswer::Cancel;
}

} // namespace app
