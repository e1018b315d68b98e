#include "WindowAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace app {

namespace {

// Plain widgets that are windows would otherwise count as anonymous panes.
QAccessibleInterface* Create(const QString& key, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->isWindow())
        return nullptr;
    if (key == QLatin1String("Form1"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (key == QLatin1String("Form2"))
        return new QAccessibleWidget(widget, QAccessible::Dialog);
    return nullptr;
}

} // namespace

void InstallWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Create);
        return true;
    }();
    (void)installed;
}

} // namespace app
