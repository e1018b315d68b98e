#pragma once
// The progress window of a shrink run: what is being done, a red progress bar, and
// "Abbrechen", which asks the run to stop after the current file.

#include "ProgressBox.h"
#include "batch/RunContract.h"

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

// Shows a shrink run in a Form2: creates the window when the run starts, shows the file
// in work and the bar, reads the cancel marker, closes the window at the end.
class Form2Progress : public batch::RunObserver {
public:
    explicit Form2Progress(QWidget* owner) : owner_(owner) {}
    ~Form2Progress() override;

    void RunStarted(batch::RunKind kind) override;
    void FilesListed(qsizetype count) override;
    void FileStarted(const QString& source) override;
    void FileFinished(const QString&, const QString&, const batch::ConvertReport&) override {}
    void Progress(double fraction) override;
    bool CancelRequested() const override;
    void RunEnded() override;

    // The run's event pump: lets pending window events run once; true when there were any.
    static bool LetEventsRun();

    Form2* Window() const { return window_; }
    // Told about each window it opens.
    std::function<void(Form2*)> onOpened;

private:
    // Sets the message line and repaints at once.
    void ShowStatus(const QString& text);
    // Shows the window again, activating it.
    void Activate();

    QWidget* owner_;
    QPointer<Form2> window_;
    batch::RunKind kind_ = batch::RunKind::Folder;
    qsizetype total_ = 1; // files of the run: one until a folder's list says otherwise
};
