#pragma once
// The About window: says that the program is freeware and who provides it, with the
// maker's logo, postal address, and links to its web page and mail address. Modal over
// its owner; OK, Enter, Escape and the close box close it.

#include <QDialog>

class QLabel;
class QPushButton;
class LinkLabel;

class FreewareABout : public QDialog {
    Q_OBJECT
public:
    // The window takes its owner's font; it is centred over the owner.
    explicit FreewareABout(QWidget* owner);

    QLabel* Label1 = nullptr;
    LinkLabel* Label2 = nullptr; // web address
    LinkLabel* Label3 = nullptr; // mail address
    QLabel* Picture1 = nullptr;
    QPushButton* Command1 = nullptr;

public slots:
    void Form_Load();
    // The links open through the desktop; a link that cannot be opened does nothing.
    void Label2_Click();
    void Label3_Click();
    void Command1_Click();
};
