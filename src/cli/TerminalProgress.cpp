#include "TerminalProgress.h"

#include "TerminalText.h"

#include "batch/ExactPaths.h"
#include "batch/SourceGuard.h"
#include "platform/FileNames.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <sys/ioctl.h>

namespace cli {

namespace {

constexpr int kBarWidth = 30;
constexpr int kMinBarWidth = 10;  // narrower says nothing the counts do not
constexpr qint64 kRedrawMs = 200; // the clock and the rate change between files too

QByteArray Clock(double seconds)
{
    const auto whole = static_cast<long long>(std::llround(seconds));
    return QByteArray::number(whole / 60) + ':' + QByteArray::number(whole % 60).rightJustified(2, '0');
}

bool TerminalWithoutCursorControl()
{
    const char* term = std::getenv("TERM");
    return term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0;
}

} // namespace

QByteArray ProgressLine(qsizetype done, qsizetype found, double seconds, int columns)
{
    const int room = std::max(columns - 1, 1);
    const double fraction = found > 0 ? static_cast<double>(done) / static_cast<double>(found) : 1.0;
    QList<QByteArray> parts{QByteArray::number(done) + '/' + QByteArray::number(found),
                            QByteArray::number(static_cast<int>(fraction * 100)) + '%'};
    if (done > 0 && seconds > 0) {
        const double rate = static_cast<double>(done) / seconds;
        parts << QByteArray::number(rate, 'f', 1) + " pictures/s";
        parts << Clock(static_cast<double>(found - done) / rate) + " left";
    }
    const auto partsWidth = [&] {
        qsizetype width = 2 * (parts.size() - 1);
        for (const QByteArray& part : parts)
            width += part.size();
        return static_cast<int>(width);
    };
    // "[" bar "] " around the bar.
    while (parts.size() > 1 && partsWidth() + kMinBarWidth + 3 > room)
        parts.removeLast();
    const int barWidth = std::min(room - partsWidth() - 3, kBarWidth);
    QByteArray line;
    if (barWidth >= kMinBarWidth) {
        const int filled = static_cast<int>(fraction * barWidth);
        line = '[' + QByteArray(filled, '#') + QByteArray(barWidth - filled, '.') + "] ";
    }
    line += parts.join("  ");
    return line.left(room);
}

TerminalProgress::TerminalProgress(std::FILE* out, bool bar, const volatile std::sig_atomic_t& interrupted)
    : out_(out), bar_(bar), interrupted_(interrupted)
{
    clock_.start();
    plain_ = TerminalWithoutCursorControl();
}

void TerminalProgress::Progress(double fraction)
{
    done_ = static_cast<qsizetype>(std::llround(fraction * static_cast<double>(found_)));
    DrawBar();
}

void TerminalProgress::Tick()
{
    if (clock_.elapsed() - lastDraw_ >= kRedrawMs)
        DrawBar();
}

void TerminalProgress::RunEnded()
{
    ClearBar();
}

void TerminalProgress::FileFinished(const QString& source, const QString& target, const batch::ConvertReport& report)
{
    sourcePixels_ += report.sourcePixels;
    encodes_ += report.encodes;
    // Names as the file system holds them, so a script can use them as they stand.
    const QByteArray name = platform::EncodeFileName(source);
    if (report.skipped) {
        ++skipped_;
        if (plan_)
            Line(plan_, name + ": skipped: " + report.note.toUtf8());
        return;
    }
    if (plan_ && report.failure.isEmpty()) {
        ++planned_;
        Line(plan_, name + " -> " + platform::EncodeFileName(target));
        return;
    }
    if (report.written) {
        ++written_;
        NoteWritten(source, target);
        if (notes_ && !report.note.isEmpty())
            Line(out_, "zimbrel-shrink: " + name + ": " + report.note.toUtf8());
        if (notes_) {
            for (const QString& warning : report.warnings)
                Line(out_, "zimbrel-shrink: " + name + ": warning: " + warning.toUtf8());
        }
        return;
    }
    ++failed_;
    Line(out_, "zimbrel-shrink: " + name + ": " + report.failure.toUtf8());
}

// Files finish in list order and a later file of the same name starts only after the
// earlier one is done, so the copy written last is the one that stands. Names that differ
// only in case are one file where the target ignores case: the file system says which.
void TerminalProgress::NoteWritten(const QString& source, const QString& target)
{
    QList<Copy>& sameName = copies_[target.toCaseFolded()];
    for (qsizetype i = 0; i < sameName.size();) {
        const Copy& earlier = sameName[i];
        if (earlier.target != target && !batch::SameFile(earlier.target, target)) {
            ++i;
            continue;
        }
        ++replaced_;
        if (notes_)
            Line(out_,
                 "zimbrel-shrink: " + platform::EncodeFileName(earlier.source)
                     + ": replaced by the later picture of the same name " + platform::EncodeFileName(source));
        sameName.removeAt(i);
    }
    sameName.append({source, target});
}

void TerminalProgress::Line(std::FILE* to, const QByteArray& text)
{
    ClearBar();
    const QByteArray line = EscapeControls(text) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), to);
    std::fflush(to);
    DrawBar();
}

QByteArray TerminalProgress::Summary() const
{
    // "1 picture found", "2 pictures found".
    const QString found = QStringLiteral("%1 %2").arg(found_).arg(found_ == 1 ? QStringLiteral("picture")
                                                                              : QStringLiteral("pictures"));
    if (plan_)
        return QStringLiteral("zimbrel-shrink: dry run: %1 found, %2 would be written, %3 skipped, %4 refused\n")
            .arg(found)
            .arg(planned_)
            .arg(skipped_)
            .arg(failed_)
            .toUtf8();
    const QString replaced = replaced_ > 0
        ? QStringLiteral(", %1 replaced by a later picture of the same name").arg(replaced_)
        : QString();
    const QString skipped = skipped_ > 0 ? QStringLiteral(", %1 skipped").arg(skipped_) : QString();
    const QString encodes = countEncodes_ && written_ + failed_ > 0
        ? QStringLiteral(", %1 encodes per picture")
              .arg(static_cast<double>(encodes_) / static_cast<double>(written_ + failed_), 0, 'f', 2)
        : QString();
    return QStringLiteral("zimbrel-shrink: %1 found, %2 written%3%7, %4 failed, %5 source megapixels%8, %6 s\n")
        .arg(found)
        .arg(Written())
        .arg(replaced)
        .arg(failed_)
        .arg(static_cast<double>(sourcePixels_) / 1e6, 0, 'f', 1)
        .arg(static_cast<double>(clock_.elapsed()) / 1000.0, 0, 'f', 2)
        .arg(skipped)
        .arg(encodes)
        .toUtf8();
}

void TerminalProgress::DrawBar()
{
    if (!bar_)
        return;
    lastDraw_ = clock_.elapsed();
    const int columns = Columns();
    const QByteArray text = ProgressLine(done_, found_, static_cast<double>(lastDraw_) / 1000.0, columns);
    QByteArray line = plain_ ? "\r" + text : "\r\033[K" + text;
    // Blanks over the rest of a longer earlier line, never into the last column.
    barLength_ = std::min<qsizetype>(barLength_, columns - 1);
    if (plain_ && text.size() < barLength_)
        line += QByteArray(barLength_ - text.size(), ' ');
    barLength_ = std::max(barLength_, text.size());
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    std::fflush(out_);
    barShown_ = true;
}

void TerminalProgress::ClearBar()
{
    if (!barShown_)
        return;
    const QByteArray clear = plain_ ? '\r' + QByteArray(barLength_, ' ') + '\r' : QByteArray("\r\033[K");
    std::fwrite(clear.constData(), 1, static_cast<std::size_t>(clear.size()), out_);
    std::fflush(out_);
    barShown_ = false;
    barLength_ = 0;
}

// Asked at every redraw, so a resized window gets a bar that fits it.
int TerminalProgress::Columns() const
{
    winsize size{};
    if (::ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    const int columns = qEnvironmentVariableIntValue("COLUMNS");
    return columns > 0 ? columns : 80;
}

} // namespace cli
