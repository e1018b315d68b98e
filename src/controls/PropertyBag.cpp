#include "PropertyBag.h"

qsizetype PropertyBag::IndexOf(const QString& name) const
{
    for (qsizetype i = 0; i < values_.size(); ++i) {
        if (values_[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    const qsizetype at = IndexOf(name);
    return at < 0 ? defaultValue : values_[at].second;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    const qsizetype at = IndexOf(name);
    if (defaultValue.isValid() && value == defaultValue) {
        if (at >= 0)
            values_.removeAt(at);
        return;
    }
    if (at >= 0)
        values_[at].second = value;
    else
        values_.append({name, value});
}

bool PropertyBag::Contains(const QString& name) const
{
    return IndexOf(name) >= 0;
}

QStringList PropertyBag::Names() const
{
    QStringList names;
    for (const auto& entry : values_)
        names.append(entry.first);
    return names;
}
