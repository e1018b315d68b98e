#pragma once
// What assistive technology sees of the progress window's bar: a progress bar whose value
// is the number of files done, out of the files of the run.

#include <QAccessibleWidget>

namespace app {

class ProgressBox;

class ProgressBoxAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressBoxAccessible(ProgressBox* box);

    // Registers the interface for every ProgressBox; safe to call more than once.
    static void Install();

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {} // the run sets it, nobody else
    QVariant maximumValue() const override;
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const ProgressBox* Box() const;
};

} // namespace app
