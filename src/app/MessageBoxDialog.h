#pragma once
// Shows the program's message boxes as real dialogs.

#include "platform/MessageBox.h"

#include <QWidget>

namespace app {

// Presenter for platform::MessageBox: a modal QMessageBox over the active window, with the
// first button as the default one (Yes for the overwrite question).
platform::MsgAnswer ShowMessageBoxDialog(const platform::MessageBoxCall& call);

} // namespace app
