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
#include <QResizeEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace StdBrowse {

namespace {

// The module's start folder: set by each BrowseForFolder call, read when the dialog opens.
QString startFolder;

constexpr int kPathRole = Qt::UserRole;
constexpr int kStatusLines = 2;

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
    // Two lines, whatever the path: a deep one is shortened in its middle, so the dialog
    // keeps its size and the tree its place.
    status_->setFixedHeight(status_->fontMetrics().lineSpacing() * kStatusLines);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
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
    // Names keep their width, deep in the tree too: the tree scrolls sideways instead.
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
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
    // The levels are read in the background and fill in rows above the highlight; while
    // the dialog still opens at the folder it was asked for, each of them brings the
    // highlight back into view. Once the user points, clicks, scrolls or types in the
    // tree, it holds still: a row moving under the mouse makes the next click miss.
    const auto follow = [this](const QModelIndex& parent) {
        if (!followLoads_ || showPending_ || (parent.isValid() && !IsAncestorOfCurrent(parent)))
            return;
        // Rows come in by the hundred: one scroll once they are in.
        showPending_ = true;
        QTimer::singleShot(0, this, [this] {
            showPending_ = false;
            if (followLoads_)
                ShowCurrent();
        });
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this,
            [this, follow](const QString& path) { follow(model_->index(path)); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model_, &QAbstractItemModel::layoutChanged, this, [follow] { follow(QModelIndex()); });
    tree_->viewport()->installEventFilter(this);
    tree_->installEventFilter(this);
    tree_->verticalScrollBar()->installEventFilter(this);
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
    followLoads_ = true;
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

bool BrowseDialog::IsAncestorOfCurrent(const QModelIndex& index) const
{
    for (QModelIndex level = tree_->currentIndex(); level.isValid(); level = level.parent()) {
        if (level == index)
            return true;
    }
    return false;
}

bool BrowseDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        followLoads_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void BrowseDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowStatus();
}

void BrowseDialog::ShowStatus()
{
    const QString path = StatusText();
    const int width = status_->contentsRect().width();
    const QFontMetrics metrics = status_->fontMetrics();
    status_->setText(Breakable(ShortenedInTheMiddle(path, [&](const QString& text) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, Breakable(text));
        return needed.height() <= metrics.lineSpacing() * kStatusLines;
    })));
}

QString BrowseDialog::SelectedFolder() const
{
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

QString BrowseDialog::ShownStatus() const
{
    return QString(status_->text()).remove(QChar(0x200B));
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
    ShowStatus();
    ok_->setEnabled(CanConfirm());
}

QString ShortenedInTheMiddle(const QString& path, const std::function<bool(const QString&)>& fits)
{
    if (fits(path))
        return path;
    // The first folder and the last name say the most; folders go from the middle out.
    const QStringList parts = path.split(u'/');
    const qsizetype keepFront = path.startsWith(u'/') ? 2 : 1;
    const qsizetype removable = parts.size() - 1 - keepFront;
    QString shortest = path;
    for (qsizetype count = 1; count <= removable; ++count) {
        const qsizetype first = keepFront + (removable - count) / 2;
        QStringList shown = parts.mid(0, first);
        shown << QStringLiteral("\u2026") << parts.mid(first + count);
        shortest = shown.join(u'/');
        if (fits(shortest))
            break;
    }
    return shortest;
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
