#pragma once
// What assistive technology sees of a LinkLabel: a link named by its text, with its
// target as value and a Press action that follows it.

#include <QAccessibleWidget>

class LinkLabel;

class LinkLabelAccessible : public QAccessibleWidget {
public:
    explicit LinkLabelAccessible(LinkLabel* label);

    // Registers the interface for every LinkLabel; safe to call more than once.
    static void Install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    LinkLabel* Label() const;
};
