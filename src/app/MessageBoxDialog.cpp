#include "MessageBoxDialog.h"

#include "Form2.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

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

// A box shown during a run is placed beside the progress window, not over it: the path
// line there says which picture the box is about.
class BesideProgressBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // sized now, not yet on the screen
        const QWidget* progress = VisibleProgressWindow();
        const QScreen* screen = progress ? progress->screen() : nullptr;
        if (!screen)
            return;
        const QRect avoid = progress->frameGeometry();
        const QRect area = screen->availableGeometry();
        const QSize size = frameGeometry().size();
        const int x = std::clamp(avoid.center().x() - size.width() / 2, area.left(),
                                 std::max(area.left(), area.right() - size.width()));
        constexpr int kGap = 8;
        if (avoid.bottom() + kGap + size.height() <= area.bottom())
            move(x, avoid.bottom() + kGap);
        else if (avoid.top() - kGap - size.height() >= area.top())
            move(x, avoid.top() - kGap - size.height());
    }

private:
    static const QWidget* VisibleProgressWindow()
    {
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            if (qobject_cast<const Form2*>(window) && window->isVisible())
                return window;
        }
        return nullptr;
    }
};

} // namespace

platform::MsgAnswer ShowMessageBoxDialog(const platform::MessageBoxCall& call)
{
    BesideProgressBox box(IconOf(call.icon), call.title, call.text, QMessageBox::NoButton,
                          QApplication::activeWindow());
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
