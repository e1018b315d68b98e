#include "Form2.h"

#include "WindowAccessibility.h"
#include "WindowLayout.h"
#include "batch/WindowWords.h"
#include "controls/mivoButton.h"
#include "platform/VersionInfo.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>

#include <cmath>

using platform::Twips;

QList<PathLabel::Line> PathLabel::Wrapped(const QString& shown) const
{
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(shown, font());
    layout.setTextOption(wrapping);
    QList<Line> lines;
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(contentsRect().width());
        lines.append({shown.mid(line.textStart(), line.textLength()), y});
        y += line.height();
    }
    layout.endLayout();
    return lines;
}

QList<PathLabel::Line> PathLabel::Layout() const
{
    QList<Line> lines = Wrapped(text());
    const qreal lineHeight = QFontMetricsF(font()).lineSpacing();
    const qsizetype fitting = std::max<qsizetype>(1, static_cast<qsizetype>(contentsRect().height() / lineHeight));
    if (lines.size() <= fitting)
        return lines;
    // Too long: the start gives way to "…" at a separator, so the lines end with the
    // whole file name and say that something is left out.
    for (qsizetype at = text().indexOf(u'/', 1); at > 0; at = text().indexOf(u'/', at + 1)) {
        QList<Line> shortened = Wrapped(QStringLiteral("\u2026") + text().mid(at));
        if (shortened.size() <= fitting)
            return shortened;
    }
    // A file name longer than the label: its last lines move up to the top.
    lines = lines.mid(lines.size() - fitting);
    const qreal shift = lines.first().y;
    for (Line& line : lines)
        line.y -= shift;
    return lines;
}

QStringList PathLabel::ShownLines() const
{
    QStringList shown;
    for (const Line& line : Layout())
        shown << line.text;
    return shown;
}

void PathLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF area = contentsRect();
    const QFontMetricsF metrics(font(), this);
    for (const Line& line : Layout())
        painter.drawText(QPointF(area.left(), area.top() + line.y + metrics.ascent()), line.text);
}

Form2::Form2(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    app::InstallWindowAccessibility();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(platform::ProductName());
    setFont(app::DesignFont());
    setFixedSize(platform::TwipsSize(5880, 1650));

    Label1 = new PathLabel(QStringLiteral("Label1"), this);
    Label1->setGeometry(Twips(120, 120, 5655, 615));

    Picture1 = new app::ProgressBox(this);
    Picture1->setGeometry(Twips(120, 840, 5655, 255));

    mivoButton1 = app::CommandButton(this, QStringLiteral("Abbrechen"), QStringLiteral("error"),
                                     Twips(1920, 1200, 2055, 375));
    connect(mivoButton1, &mivoButton::Click, this, &Form2::mivoButton1_Click);

    // Label and bar take no focus: the cancel button, the window's only control that
    // does, holds it from the start, so Space cancels.
    mivoButton1->setFocus();
}

void Form2::mivoButton1_Click()
{
    Tag = QStringLiteral("*");
}

void Form2::closeEvent(QCloseEvent* event)
{
    if (closingAllowed_) {
        event->accept();
        return;
    }
    Tag = QStringLiteral("*");
    event->ignore();
}

void Form2::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && mivoButton1->Enabled()) {
        mivoButton1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

Form2Progress::~Form2Progress()
{
    RunEnded();
}

void Form2Progress::RunStarted(batch::RunKind kind)
{
    kind_ = kind;
    window_ = new Form2(owner_);
    // Centred over the owner.
    if (owner_)
        window_->move(owner_->frameGeometry().center() - window_->rect().center());
    window_->show();
    if (onOpened)
        onOpened(window_);
    window_->Tag.clear();
    // A folder run first lists its files; a single-file run shows its file at once.
    if (kind == batch::RunKind::Folder) {
        ShowStatus(batch::ListingStatus());
        Activate();
    }
}

void Form2Progress::FileStarted(const QString& source)
{
    if (kind_ == batch::RunKind::SingleFile) {
        // The file is shrunk on this thread right after: the line must be drawn first.
        ShowStatus(batch::FileStatus(kind_, source));
        Activate();
        return;
    }
    // A folder run's thread only hands the file to a worker and lets events run again at
    // once: the line is drawn in that pass, once for all the files reported together
    // (a large file that started late lets all the list's files behind it report at once).
    if (window_)
        window_->Label1->setText(batch::FileStatus(kind_, source));
}

void Form2Progress::ShowStatus(const QString& text)
{
    if (!window_)
        return;
    window_->Label1->setText(text);
    // The line is all that changed: repainting it alone shows the window as a whole
    // repaint would, while the workers do not wait for the rest to be drawn again.
    window_->Label1->repaint();
}

void Form2Progress::Activate()
{
    if (!window_)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void Form2Progress::Progress(double fraction)
{
    if (!window_)
        return;
    window_->Picture1->FillBox(0, 0, fraction, 1, QColor(255, 0, 0));
    const double done = std::round(fraction * static_cast<double>(total_));
    window_->Picture1->SetCount(static_cast<int>(done), static_cast<int>(total_));
}

void Form2Progress::FilesListed(qsizetype count)
{
    total_ = count;
    if (window_)
        window_->Picture1->SetCount(0, static_cast<int>(count));
}

bool Form2Progress::LetEventsRun()
{
    // QCoreApplication::processEvents, with the dispatcher's answer whether it ran anything.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
}

bool Form2Progress::CancelRequested() const
{
    return window_ && window_->Tag == QStringLiteral("*");
}

void Form2Progress::RunEnded()
{
    if (!window_)
        return;
    window_->closingAllowed_ = true;
    window_->close();
    window_ = nullptr;
}
