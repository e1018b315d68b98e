#include "mivoButtonAccessible.h"

#include "controls/mivoButton.h"

namespace {

QAccessibleInterface* Create(const QString& key, QObject* object)
{
    if (key == QLatin1String("mivoButton")) {
        if (auto* button = qobject_cast<mivoButton*>(object))
            return new mivoButtonAccessible(button);
    }
    return nullptr;
}

} // namespace

mivoButtonAccessible::mivoButtonAccessible(mivoButton* button) : QAccessibleWidget(button, QAccessible::PushButton) {}

void mivoButtonAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Create);
        return true;
    }();
    (void)installed;
}

mivoButton* mivoButtonAccessible::Button() const
{
    return static_cast<mivoButton*>(widget());
}

QString mivoButtonAccessible::SpokenCaption(const QString& caption)
{
    const QString shown = caption.startsWith(u'>') ? caption.mid(1) : caption;
    QString spoken;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // "&x" marks x as the access key; "&&" is one "&".
        if (shown[i] == u'&' && i + 1 < shown.size())
            ++i;
        spoken += shown[i];
    }
    return spoken;
}

QString mivoButtonAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? SpokenCaption(Button()->Caption()) : name;
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State mivoButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    // The button's own Enabled flag is what it obeys; the widget stays enabled.
    state.disabled = !Button()->Enabled() || !widget()->isEnabled();
    state.focusable = !state.disabled;
    state.defaultButton = Button()->Default();
    state.pressed = Button()->State() == 2;
    return state;
}

QStringList mivoButtonAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void mivoButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        Button()->Press();
    else if (actionName != setFocusAction() || Button()->Enabled())
        QAccessibleWidget::doAction(actionName);
}

QStringList mivoButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    return actionName == pressAction() ? QStringList{QStringLiteral("Space")}
                                       : QAccessibleWidget::keyBindingsForAction(actionName);
}
