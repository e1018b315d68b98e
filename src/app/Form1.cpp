#include "Form1.h"

#include "Form2.h"
#include "OptionsFrame.h"
#include "SourceFolderCheck.h"
#include "WindowAccessibility.h"
#include "WindowLayout.h"
#include "about/FreewareABout.h"
#include "batch/ConvertJPG.h"
#include "batch/FileListScan.h"
#include "batch/JobSettings.h"
#include "batch/ShrinkRun.h"
#include "controls/mivoButton.h"
#include "platform/MessageBox.h"
#include "platform/VersionInfo.h"
#include "support/StdBrowse.h"
#include "support/StdModul.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMimeDatabase>
#include <QScreen>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

namespace {

using platform::Twips;
using platform::TwipsSize;

constexpr int kClientWidth = 6165;
constexpr int kCompactClientHeight = 2175;
constexpr int kButtonRowTop = 1680;
constexpr int kExpandedButtonRowTop = 3120;
// Expanded, the window keeps the compact layout's margin under the button row (the outer
// height the layout was drawn with includes a title bar whose height varies by desktop).
constexpr int kExpandedClientHeight = kExpandedButtonRowTop + 375 + (kCompactClientHeight - kButtonRowTop - 375);

QLabel* Label(QWidget* parent, const QString& caption, const QRect& geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    return label;
}

} // namespace

// A window of fixed size asks the desktop for a title bar with a close box only.
Form1::Form1(const QString& commandLine, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
{
    app::InstallWindowAccessibility();
    setWindowTitle(platform::ProductName());
    setFont(app::DesignFont());
    setFixedSize(TwipsSize(kClientWidth, kCompactClientHeight));
    BuildControls();

    // Centred on the screen when first shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Form_Load(commandLine);
}

void Form1::BuildControls()
{
    Label1 = Label(this, QStringLiteral("Verzeichnis der Original-Bilder:"), Twips(120, 120, 2130, 195));
    CheckSubPath = new QCheckBox(QStringLiteral("Unterverzeichnisse einbeziehen"), this);
    CheckSubPath->setGeometry(Twips(3480, 100, 2655, 255));
    T_Quelle = new QLineEdit(this);
    T_Quelle->setGeometry(Twips(120, 360, 5520, 285));
    CommandQuelle = new QPushButton(QStringLiteral("..."), this);
    CommandQuelle->setGeometry(Twips(5640, 360, 375, 285));
    Label2 = Label(this, QStringLiteral("nach Verzeichnis (wird ggf. neu angelegt):"), Twips(120, 840, 2970, 195));
    T_Ziel = new QLineEdit(this);
    T_Ziel->setGeometry(Twips(120, 1080, 5520, 285));
    CommandZiel = new QPushButton(QStringLiteral("..."), this);
    CommandZiel->setGeometry(Twips(5640, 1080, 375, 285));

    mivoButton4 = app::CommandButton(this, QStringLiteral("Über"), QStringLiteral("help"),
                                     Twips(120, kButtonRowTop, 975, 375));
    mivoButton1 = app::CommandButton(this, QStringLiteral("Optionen"), QStringLiteral("properties"),
                                     Twips(1200, kButtonRowTop, 1215, 375));
    mivoButton2 = app::CommandButton(this, QStringLiteral("Schließen"), QStringLiteral("error"),
                                     Twips(2760, kButtonRowTop, 1575, 375));
    mivoButton3 = app::CommandButton(this, QStringLiteral("Verkleinern"), QStringLiteral("ok"),
                                     Twips(4440, kButtonRowTop, 1575, 375));

    Frame1 = new app::OptionsFrame(QStringLiteral("Optionen"), this);
    Frame1->setGeometry(Twips(120, kButtonRowTop, 5895, 1095));
    Frame1->hide();
    Label4 = Label(Frame1, QStringLiteral("Kantenlänge / Prozent:"), Twips(120, 240, 1935, 255));
    T_Groesse = new QLineEdit(Frame1);
    T_Groesse->setGeometry(Twips(120, 480, 855, 285));
    Label8 = Label(Frame1, QStringLiteral("z.B. 640 oder 40%"), Twips(1080, 525, 1455, 255));
    Label5 = Label(Frame1, QStringLiteral("Qualität:"), Twips(3480, 240, 1215, 255));
    Label_Quality = Label(Frame1, QStringLiteral("##"), Twips(4800, 240, 735, 255));
    Label_Quality->setAlignment(Qt::AlignRight | Qt::AlignTop);
    HScroll_Quality = new QScrollBar(Qt::Horizontal, Frame1);
    HScroll_Quality->setGeometry(Twips(3480, 480, 2055, 255));
    HScroll_Quality->setRange(batch::kMinQuality, batch::kMaxQuality);
    HScroll_Quality->setSingleStep(1);
    HScroll_Quality->setPageStep(10);
    HScroll_Quality->setFocusPolicy(Qt::StrongFocus);
    Label6 = Label(Frame1, QStringLiteral("gering") + QString(28, u' ') + QStringLiteral("hoch"),
                   Twips(3480, 720, 2055, 255));
    for (QLabel* label : {Label1, Label2, Label4, Label8, Label5, Label6})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Names for assistive technology: what each box holds, tied to its visible label, and
    // which folder each "..." button chooses.
    const std::pair<QLabel*, QWidget*> labelled[]{
        {Label1, T_Quelle}, {Label2, T_Ziel}, {Label4, T_Groesse}, {Label5, HScroll_Quality}};
    for (const auto& [label, control] : labelled)
        label->setBuddy(control);
    T_Quelle->setAccessibleName(QStringLiteral("Verzeichnis der Original-Bilder"));
    T_Ziel->setAccessibleName(QStringLiteral("nach Verzeichnis"));
    T_Groesse->setAccessibleName(QStringLiteral("Kantenlänge / Prozent"));
    HScroll_Quality->setAccessibleName(QStringLiteral("Qualität"));
    CommandQuelle->setAccessibleName(QStringLiteral("Quellverzeichnis wählen …"));
    CommandZiel->setAccessibleName(QStringLiteral("Zielverzeichnis wählen …"));

    // Tab order of the layout (labels take no focus): target, options, close, shrink,
    // size, quality, subfolders, source, about.
    const QList<QWidget*> order{T_Ziel,          CommandZiel,  mivoButton1, mivoButton2,   mivoButton3, T_Groesse,
                                HScroll_Quality, CheckSubPath, T_Quelle,    CommandQuelle, mivoButton4};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    T_Ziel->setFocus();

    connect(T_Quelle, &QLineEdit::textChanged, this, &Form1::T_Quelle_Change);
    connect(HScroll_Quality, &QScrollBar::valueChanged, this, &Form1::HScroll_Quality_Change);
    connect(HScroll_Quality, &QScrollBar::sliderMoved, this, &Form1::HScroll_Quality_Scroll);
    connect(mivoButton1, &mivoButton::Click, this, &Form1::mivoButton1_Click);
    connect(mivoButton2, &mivoButton::Click, this, &Form1::mivoButton2_Click);
    connect(mivoButton3, &mivoButton::Click, this, &Form1::mivoButton3_Click);
    connect(CommandQuelle, &QPushButton::clicked, this, &Form1::CommandQuelle_Click);
    connect(CommandZiel, &QPushButton::clicked, this, &Form1::CommandZiel_Click);
    connect(mivoButton4, &mivoButton::Click, this, &Form1::mivoButton4_Click);

    setAcceptDrops(true);
    for (QLineEdit* box : {T_Quelle, T_Ziel, T_Groesse})
        box->installEventFilter(this);
    HScroll_Quality->installEventFilter(this);
}

void Form1::Form_Load(const QString& commandLine)
{
    const batch::StartSettings start = batch::ReadStartSettings(commandLine);
    T_Quelle->setText(start.source); // fires T_Quelle_Change, which the next line overrides
    T_Ziel->setText(start.target);
    CheckSubPath->setChecked(start.includeSubfolders);
    HScroll_Quality->setValue(start.quality);
    HScroll_Quality_Change(); // the label shows the value even when it did not change
    T_Groesse->setText(start.size);
}

void Form1::T_Quelle_Change()
{
    T_Ziel->setText(batch::DerivedTarget(T_Quelle->text()));
}

void Form1::HScroll_Quality_Change()
{
    Label_Quality->setText(QString::number(HScroll_Quality->value()));
}

void Form1::HScroll_Quality_Scroll()
{
    // While the thumb is dragged the value may not have been committed yet.
    Label_Quality->setText(QString::number(HScroll_Quality->sliderPosition()));
}

void Form1::mivoButton1_Click()
{
    mivoButton1->hide();
    for (mivoButton* button : {mivoButton2, mivoButton3, mivoButton4})
        button->move(button->x(), platform::TwipsToPixels(kExpandedButtonRowTop));
    setFixedSize(TwipsSize(kClientWidth, kExpandedClientHeight));
    Frame1->show();
}

void Form1::mivoButton2_Click()
{
    close();
}

void Form1::mivoButton3_Click()
{
    if (running_)
        return;
    // A folder that cannot be listed is no picture either: say so rather than shrink it.
    if (const QString reason = app::UnreadableFolderReason(T_Quelle->text()); !reason.isEmpty()) {
        platform::MessageBox(app::UnreadableFolderText(T_Quelle->text(), reason), QStringLiteral("Verzeichnis"),
                             platform::MsgIcon::Exclamation, platform::MsgButtons::OK);
        return;
    }
    batch::RunRequest request;
    request.sourceText = T_Quelle->text();
    request.targetText = T_Ziel->text();
    request.quality = HScroll_Quality->value();
    request.sizeText = T_Groesse->text();
    request.includeSubfolders = CheckSubPath->isChecked();

    running_ = true;
    SetCommandsEnabled(false);
    Form2Progress progress(this);
    progress.onOpened = [this](Form2* window) { emit ProgressWindowOpened(window); };
    progress_ = &progress;
    const batch::RunOutcome outcome = batch::RunShrinkJob(request, progress);
    progress_ = nullptr;
    SetCommandsEnabled(true);
    running_ = false;

    if (outcome == batch::RunOutcome::Finished)
        close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!running_) {
        QWidget::closeEvent(event);
        return;
    }
    if (progress_ && progress_->Window())
        progress_->Window()->Tag = QStringLiteral("*");
    event->ignore();
}

void Form1::CommandQuelle_Click()
{
    const QString folder = StdBrowse::BrowseForFolder(this, QStringLiteral("Verzeichnis der Original-Bilder"),
                                                      T_Quelle->text());
    if (folder.isEmpty())
        return;
    const QString source = StdModul::NormalizeFolder(folder);
    // Choosing the folder the box already names still resets the target.
    if (source == T_Quelle->text())
        T_Quelle_Change();
    else
        T_Quelle->setText(source);
}

void Form1::CommandZiel_Click()
{
    const QString folder = StdBrowse::BrowseForFolder(this, QStringLiteral("Verzeichnis der verkleinerten Bilder"),
                                                      T_Ziel->text());
    if (!folder.isEmpty())
        T_Ziel->setText(StdModul::NormalizeFolder(folder));
}

void Form1::mivoButton4_Click()
{
    FreewareABout about(this);
    about.exec();
}

QString Form1::DroppedSource(const QMimeData* data) const
{
    if (running_ || !data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return QString();
    const QFileInfo dropped(url.toLocalFile());
    if (dropped.isDir())
        return StdModul::NormalizeFolder(dropped.filePath());
    if (dropped.isFile() && QMimeDatabase().mimeTypeForFile(dropped).name().startsWith(QLatin1String("image/")))
        return dropped.filePath();
    return QString();
}

namespace {

// The window only reads the dropped path, so the source keeps its file: a drop is taken
// as a copy, or as a link where the source offers no copy, never as a move.
bool AcceptWithoutMove(QDropEvent* event)
{
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    event->ignore();
    return false;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedSource(event->mimeData()).isEmpty())
        AcceptWithoutMove(event);
}

void Form1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedSource(event->mimeData()).isEmpty())
        AcceptWithoutMove(event);
}

void Form1::dropEvent(QDropEvent* event)
{
    const QString source = DroppedSource(event->mimeData());
    if (source.isEmpty() || !AcceptWithoutMove(event))
        return;
    T_Quelle->setText(source);
    // A picture is shrunk beside itself, as when it is named at start; a folder keeps
    // the target that follows the source.
    if (!QFileInfo(source).isDir())
        T_Ziel->setText(batch::StartTarget(source));
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Qt's scroll bars invert the arrow keys so that Up moves a vertical bar up; on a
        // horizontal bar that turns Left and Right around. Left lowers, Right raises.
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (watched == HScroll_Quality && modifiers == Qt::NoModifier
            && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            HScroll_Quality->triggerAction(key->key() == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                                      : QAbstractSlider::SliderSingleStepAdd);
            return true;
        }
        // Alt with a letter or digit is a window command, never text for a box. (AltGr
        // characters such as "@" or "µ" come with other key codes and stay text.)
        const bool letterOrDigit = (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
            || (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9);
        if (watched != HScroll_Quality && letterOrDigit && (modifiers & Qt::AltModifier)
            && !(modifiers & Qt::ControlModifier))
            return true;
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (watched == HScroll_Quality)
            HScroll_Quality->update();
        break;
    case QEvent::Paint:
        // The style draws no focus on a scroll bar; the keyboard user needs to see where
        // the arrow keys go. Without the focus the bar looks as the style draws it.
        if (watched == HScroll_Quality && HScroll_Quality->hasFocus()) {
            static_cast<QObject*>(HScroll_Quality)->event(event);
            QStylePainter painter(HScroll_Quality);
            QStyleOptionFocusRect focus;
            focus.initFrom(HScroll_Quality);
            focus.state |= QStyle::State_KeyboardFocusChange; // shown however the focus came
            focus.rect = HScroll_Quality->rect().adjusted(1, 1, -1, -1);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls())
            break; // text: the box's own business
        if (event->type() == QEvent::Drop)
            dropEvent(drop);
        else if (!DroppedSource(drop->mimeData()).isEmpty())
            AcceptWithoutMove(drop);
        else
            drop->ignore();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::SetCommandsEnabled(bool enabled)
{
    // The mivoButtons keep their own Enabled flag, which is what they obey and draw.
    for (mivoButton* button : {mivoButton1, mivoButton2, mivoButton3, mivoButton4})
        button->SetEnabled(enabled);
    for (QWidget* control : std::initializer_list<QWidget*>{CommandQuelle, CommandZiel, T_Quelle, T_Ziel, CheckSubPath,
                                                            T_Groesse, HScroll_Quality})
        control->setEnabled(enabled);
}

void Form1::Scan(QStringList& files, const QString& srcpath, bool subpath)
{
    batch::Scan(files, srcpath, subpath);
}

void Form1::ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W)
{
    batch::ConvertJPG(srcjpg, dstjpgfile, quality, W);
}
