#pragma once
// Routes Enter to a window's default mivoButton and Escape to its cancel button, the way
// a dialog would for its standard buttons. Installed on the window; key presses that no
// child takes reach it there.

#include <QObject>

class QWidget;
class mivoButton;

class AccessKeyRouter : public QObject {
    Q_OBJECT

public:
    // Watches window's key presses; the router belongs to the window.
    static AccessKeyRouter* Install(QWidget* window);

    // The visible button of window marked default (Enter) or cancel (Escape), or nullptr.
    static mivoButton* DefaultButton(QWidget* window);
    static mivoButton* CancelButton(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit AccessKeyRouter(QWidget* window);
};
