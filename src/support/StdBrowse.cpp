#include "StdBrowse.h"

#include "support/StdModul.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace StdBrowse {

namespace {

// The module's start folder: set by each BrowseForFolder call, read when the dialog opens.
QString startFolder;

constexpr int kPathRole = Qt::UserRole;

// Long paths may wrap after any separator; a zero-width space marks the place.
QString Breakable(const QString& path)
{
    QString shown = path;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    return shown;
}

// Where removable and extra drives appear on Linux desktops.
bool IsMediaMount(const QStorageInfo& volume)
{
    const QString root = volume.rootPath();
    return volume.isValid() && volume.isReady()
        && (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"))
            || root.startsWith(QLatin1String("/mnt/")));
}

} // namespace

BrowseDialog::BrowseDialog(QWidget* owner, const QString& title) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Ordner suchen"));
    setSizeGripEnabled(true);
    resize(460, 400);

    title_ = new QLabel(title, this);
    title_->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QStringLiteral("/"));
    model_->setReadOnly(true);

    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    places_ = new QListWidget(this);
    places_->setMaximumWidth(150);
    places_->setTextElideMode(Qt::ElideRight);
    places_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    AddPlaces();

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);

    auto* browser = new QHBoxLayout;
    browser->addWidget(places_);
    browser->addWidget(tree_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(status_);
    layout->addLayout(browser, 1);
    layout->addWidget(buttons);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, &BrowseDialog::SelectionChanged);
    // The levels are read in the background and fill in rows above the highlight; each
    // level above it that comes in brings it back into view.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        const QString above = path.endsWith(u'/') ? path : path + u'/';
        if (SelectedFolder().startsWith(above))
            ShowCurrent();
    });
    connect(places_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { SelectFolder(item->data(kPathRole).toString()); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (CanConfirm())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The top of the file system is highlighted until a start folder says otherwise.
    SelectFolder(QStringLiteral("/"));
}

void BrowseDialog::AddPlaces()
{
    const auto add = [this](const QString& name, const QString& path) {
        if (path.isEmpty() || !QFileInfo(path).isDir())
            return;
        auto* item = new QListWidgetItem(name, places_);
        item->setData(kPathRole, path);
        item->setToolTip(path);
    };
    add(QStringLiteral("Persönlicher Ordner"), QDir::homePath());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures != QDir::homePath())
        add(QStringLiteral("Bilder"), pictures);
    add(QStringLiteral("Dateisystem"), QStringLiteral("/"));
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (IsMediaMount(volume))
            add(volume.name().isEmpty() ? QFileInfo(volume.rootPath()).fileName() : volume.name(), volume.rootPath());
    }
}

bool BrowseDialog::SelectFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    // index() reads every level down to the folder, so the tree can open up to it at once.
    const QModelIndex index = model_->index(QDir::cleanPath(info.absoluteFilePath()));
    if (!index.isValid())
        return false;
    tree_->setCurrentIndex(index);
    ShowCurrent();
    return true;
}

void BrowseDialog::ShowCurrent()
{
    const QModelIndex current = tree_->currentIndex();
    for (QModelIndex level = current.parent(); level.isValid(); level = level.parent())
        tree_->expand(level);
    tree_->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

QString BrowseDialog::SelectedFolder() const
{
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

QString BrowseDialog::StatusText() const
{
    return SelectedFolder();
}

bool BrowseDialog::CanConfirm() const
{
    const QString folder = SelectedFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

void BrowseDialog::SelectionChanged()
{
    status_->setText(Breakable(StatusText()));
    ok_->setEnabled(CanConfirm());
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolderText)
{
    startFolder = StdModul::NormalizeFolder(startFolderText);
    BrowseDialog dialog(owner, title);
    dialog.SelectFolder(startFolder);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.SelectedFolder();
}

QString StartFolder()
{
    return startFolder;
}

} // namespace StdBrowse
