#pragma once
// The named property storage a host window keeps for each of its controls: the host
// fills a bag from its design data when it builds a control, the control reads its
// properties from it, and writes them back when asked to save. Names are matched without
// regard to letter case; values keep the order in which they were first written.

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

class PropertyBag {
public:
    // The stored value of name, or defaultValue when the bag holds none.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const;

    // Stores value under name, replacing a value stored under any spelling of it. A value
    // equal to defaultValue is not written (and a stored one is removed), so the bag
    // holds only what differs from the defaults.
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = {});

    bool Contains(const QString& name) const;
    // Names in the order they were written (with the spelling first used).
    QStringList Names() const;
    qsizetype Count() const { return values_.size(); }

private:
    qsizetype IndexOf(const QString& name) const;

    QList<std::pair<QString, QVariant>> values_;
};
