#pragma once
// The progress window of a shrink run: what is being done, a red progress bar, and
// "Abbrechen", which asks the run to stop after the current file.

#include "ProgressBox.h"
#include "batch/ShrinkRun.h"

#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class mivoButton;

// The progress window's message line: a path that wraps at blanks and separators and,
// where a name is longer than a line, inside the name. When the text needs more lines
// than the label holds, its start is replaced by "…" at a separator, so the file name
// (the part that changes) is always in view, whole; a name too long even for that shows
// its last lines.
class PathLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The lines as they are drawn, first to last.
    QStringList ShownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Line {
        QString text;
        qreal y = 0; // top, in the label's contents
    };
    QList<Line> Wrapped(const QString& shown) const;
    QList<Line> Layout() const;
};

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* owner);

    // The cancel marker: empty while the run may go on, "*" once cancelling was asked for.
    QString Tag;

    PathLabel* Label1 = nullptr;
    app::ProgressBox* Picture1 = nullptr;
    mivoButton* mivoButton1 = nullptr;

public slots:
    void mivoButton1_Click();

protected:
    // Closing by the frame during a run asks the run to stop, like "Abbrechen"; the run
    // closes the window itself when it ends.
    void closeEvent(QCloseEvent* event) override;
    // Escape is "Abbrechen" too: people press it to stop.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class Form2Progress;
    bool closingAllowed_ = false;
};

// Drives a Form2 for a shrink run: creates it when the run opens it, closes it at the end.
class Form2Progress : public batch::ProgressView {
public:
    explicit Form2Progress(QWidget* owner) : owner_(owner) {}
    ~Form2Progress() override;

    void Open() override;
    void ClearCancel() override;
    void ShowStatus(const QString& text) override;
    void Activate() override;
    void ShowProgress(double fraction) override;
    void LetEventsRun() override;
    bool CancelRequested() const override;
    void Close() override;
    void FilesListed(qsizetype count) override;

    Form2* Window() const { return window_; }
    // Told about each window it opens.
    std::function<void(Form2*)> onOpened;

private:
    QWidget* owner_;
    QPointer<Form2> window_;
    qsizetype total_ = 1; // files of the run: one until a folder's list says otherwise
};
