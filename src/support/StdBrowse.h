#pragma once
// The folder chooser: a modal dialog that shows the folder tree from the top of the file
// system, with the user's places (home, pictures, mounted media) beside it, a status line
// with the full path of the highlighted folder, and OK only for real folders. The only
// part of the support library with widgets; it lives in its own target,
// zimbrel_support_browse, so the rest of the library stays usable without a display.

#include <QDialog>
#include <QModelIndex>
#include <QString>

#include <functional>

class QFileSystemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace StdBrowse {

// Shows the dialog over owner with title above the tree, opened at
// NormalizeFolder(startFolder) when that is an existing folder and at the top of the file
// system otherwise. Returns the chosen folder ("/" for the root, other folders without a
// trailing "/"), or empty text when the user cancels or closes the dialog. Blocks until
// the dialog is closed; tests answer it through QApplication::activeModalWidget().
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder);

// path with folders taken out of its middle, at separators, and "…" in their place, until
// fits accepts it; the first folder and the file name stay. path itself when it fits, the
// shortest form when nothing does.
QString ShortenedInTheMiddle(const QString& path, const std::function<bool(const QString&)>& fits);

// The start folder of the latest BrowseForFolder call, normalised; kept until the next one.
QString StartFolder();

// The dialog BrowseForFolder shows.
class BrowseDialog : public QDialog {
    Q_OBJECT
public:
    BrowseDialog(QWidget* owner, const QString& title);

    // Highlights folder (absolute or relative to the working folder) and opens the tree
    // down to it. False, and the highlight unchanged, when folder is no existing folder.
    bool SelectFolder(const QString& folder);
    // The highlighted folder's path; empty while nothing is highlighted.
    QString SelectedFolder() const;
    // The status line under the title.
    QString StatusText() const;
    // True while OK can be pressed (the highlight is an existing folder).
    bool CanConfirm() const;

    // The status line as drawn (a deep path shortened in its middle).
    QString ShownStatus() const;

    QTreeView* Tree() const { return tree_; }
    QListWidget* Places() const { return places_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SelectionChanged();
    void ShowStatus();
    bool IsAncestorOfCurrent(const QModelIndex& index) const;
    void AddPlaces();
    void ShowCurrent();

    QFileSystemModel* model_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QTreeView* tree_ = nullptr;
    QListWidget* places_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool followLoads_ = false; // the highlight is kept in view while the tree fills in
    bool showPending_ = false;
};

} // namespace StdBrowse
