#pragma once
// What assistive technology sees of a mivoButton: a push button named by its caption,
// with its enabled and default states and a Press action that clicks it as Space does.
// The icon library inside it is drawing machinery, not a control, and stays out of view.

#include <QAccessibleWidget>

class mivoButton;

class mivoButtonAccessible : public QAccessibleWidget {
public:
    explicit mivoButtonAccessible(mivoButton* button);

    // Registers the interface for every mivoButton; safe to call more than once.
    static void Install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // The caption as words: without its access-key marks ("&&" stays one "&") and
    // without the leading ">" the face never shows.
    static QString SpokenCaption(const QString& caption);

private:
    mivoButton* Button() const;
};
