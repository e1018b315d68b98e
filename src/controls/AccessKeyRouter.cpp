#include "AccessKeyRouter.h"

#include "controls/mivoButton.h"

#include <QKeyEvent>
#include <QWidget>

namespace {

template <typename Pick>
mivoButton* FindButton(QWidget* window, Pick pick)
{
    if (!window)
        return nullptr;
    for (mivoButton* button : window->findChildren<mivoButton*>()) {
        if (pick(*button) && button->isVisibleTo(window) && button->window() == window)
            return button;
    }
    return nullptr;
}

} // namespace

AccessKeyRouter::AccessKeyRouter(QWidget* window) : QObject(window) {}

AccessKeyRouter* AccessKeyRouter::Install(QWidget* window)
{
    auto* router = new AccessKeyRouter(window);
    window->installEventFilter(router);
    return router;
}

mivoButton* AccessKeyRouter::DefaultButton(QWidget* window)
{
    return FindButton(window, [](const mivoButton& button) { return button.Default(); });
}

mivoButton* AccessKeyRouter::CancelButton(QWidget* window)
{
    return FindButton(window, [](const mivoButton& button) { return button.Cancel(); });
}

bool AccessKeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* window = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    mivoButton* target = nullptr;
    int code = 0;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        target = DefaultButton(window);
        code = 13;
    } else if (key->key() == Qt::Key_Escape) {
        target = CancelButton(window);
        code = 27;
    }
    if (!target)
        return false;
    target->AccessKeyPress(code);
    return true;
}
