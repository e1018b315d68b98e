#pragma once
// The main window: the five job settings, the target that follows the source, the
// options group, and the four command buttons. The shrink itself runs in the widget-free
// batch code (ShrinkRun); this window reads its controls into a request and shows the run.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QWidget>

#include <cstdint>

class Form2Progress;
class QMimeData;
class mivoButton;

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs Form_Load with commandLine (the program's arguments as
    // one text, see batch::CommandLineFromArguments).
    explicit Form1(const QString& commandLine, QWidget* parent = nullptr);

    // The window's two public methods, kept under their names for callers of the window:
    // they forward to the engine (batch::Scan, batch::ConvertJPG). The shrink command does
    // not call them; its run (batch::RunShrinkJob) drives the engine directly.
    void Scan(QStringList& files, const QString& srcpath, bool subpath);
    void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W);

    // True while a shrink run is in progress (the commands are disabled then).
    bool IsRunning() const { return running_; }

    QLabel* Label1 = nullptr;
    QCheckBox* CheckSubPath = nullptr;
    QLineEdit* T_Quelle = nullptr;
    QPushButton* CommandQuelle = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* T_Ziel = nullptr;
    QPushButton* CommandZiel = nullptr;
    mivoButton* mivoButton4 = nullptr; // "Über"
    mivoButton* mivoButton1 = nullptr; // "Optionen"
    mivoButton* mivoButton2 = nullptr; // "Schließen"
    mivoButton* mivoButton3 = nullptr; // "Verkleinern"
    QGroupBox* Frame1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* T_Groesse = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label_Quality = nullptr;
    QScrollBar* HScroll_Quality = nullptr;
    QLabel* Label6 = nullptr;

signals:
    // The progress window of a run was opened (tests watch a run through it).
    void ProgressWindowOpened(QWidget* window);

public slots:
    void Form_Load(const QString& commandLine);
    void T_Quelle_Change();
    void HScroll_Quality_Change();
    void HScroll_Quality_Scroll();
    void mivoButton1_Click();
    void mivoButton2_Click();
    void mivoButton3_Click();
    void CommandQuelle_Click();
    void CommandZiel_Click();
    void mivoButton4_Click();

protected:
    // Closing the window by its frame during a run stops the run after the current file,
    // like "Abbrechen"; the program then ends as after every run.
    void closeEvent(QCloseEvent* event) override;
    // A folder or a picture dropped from a file manager becomes the source, as if typed.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Drops of files on the text boxes go to the window; text drops stay the box's.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void SetCommandsEnabled(bool enabled);
    // The path a drop carries when the window takes it: one local folder or picture file.
    QString DroppedSource(const QMimeData* data) const;

    bool running_ = false;
    Form2Progress* progress_ = nullptr; // the running run's progress window, if any
};
