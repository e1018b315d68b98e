#include "LinkLabelAccessible.h"

#include "LinkLabel.h"

namespace {

QAccessibleInterface* Create(const QString& key, QObject* object)
{
    if (key == QLatin1String("LinkLabel")) {
        if (auto* label = qobject_cast<LinkLabel*>(object))
            return new LinkLabelAccessible(label);
    }
    return nullptr;
}

} // namespace

LinkLabelAccessible::LinkLabelAccessible(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

void LinkLabelAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Create);
        return true;
    }();
    (void)installed;
}

LinkLabel* LinkLabelAccessible::Label() const
{
    return static_cast<LinkLabel*>(widget());
}

QString LinkLabelAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return widget()->accessibleName().isEmpty() ? Label()->text() : widget()->accessibleName();
    case QAccessible::Value:
        return Label()->Target();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State LinkLabelAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.linked = true;
    state.focusable = true;
    return state;
}

QStringList LinkLabelAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void LinkLabelAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        emit Label()->Clicked();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList LinkLabelAccessible::keyBindingsForAction(const QString& actionName) const
{
    return actionName == pressAction() ? QStringList{QStringLiteral("Return"), QStringLiteral("Space")}
                                       : QAccessibleWidget::keyBindingsForAction(actionName);
}
