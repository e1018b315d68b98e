#include "ProgressBoxAccessible.h"

#include "ProgressBox.h"

namespace app {

namespace {

QAccessibleInterface* Create(const QString& key, QObject* object)
{
    if (key == QLatin1String("app::ProgressBox")) {
        if (auto* box = qobject_cast<ProgressBox*>(object))
            return new ProgressBoxAccessible(box);
    }
    return nullptr;
}

} // namespace

ProgressBoxAccessible::ProgressBoxAccessible(ProgressBox* box) : QAccessibleWidget(box, QAccessible::ProgressBar) {}

void ProgressBoxAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Create);
        return true;
    }();
    (void)installed;
}

const ProgressBox* ProgressBoxAccessible::Box() const
{
    return static_cast<const ProgressBox*>(widget());
}

QString ProgressBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QStringLiteral("%1 von %2").arg(Box()->Done()).arg(Box()->Total());
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QStringLiteral("Fortschritt");
    return QAccessibleWidget::text(t);
}

void* ProgressBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant ProgressBoxAccessible::currentValue() const
{
    return Box()->Done();
}

QVariant ProgressBoxAccessible::maximumValue() const
{
    return Box()->Total();
}

} // namespace app
