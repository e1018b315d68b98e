#include "TerminalProgress.h"

#include "TerminalText.h"

#include "batch/ExactPaths.h"
#include "batch/SourceGuard.h"
#include "platform/FileNames.h"

#include <cmath>

namespace cli {

namespace {

constexpr int kBarWidth = 30;
constexpr qint64 kRedrawMs = 200; // the clock and the rate change between files too

QByteArray Clock(double seconds)
{
    const auto whole = static_cast<long long>(std::llround(seconds));
    return QByteArray::number(whole / 60) + ':' + QByteArray::number(whole % 60).rightJustified(2, '0');
}

} // namespace

TerminalProgress::TerminalProgress(std::FILE* out, bool bar, const volatile std::sig_atomic_t& interrupted,
                                   bool listReplaced)
    : out_(out), bar_(bar), listReplaced_(listReplaced), interrupted_(interrupted)
{
    clock_.start();
}

void TerminalProgress::ShowProgress(double fraction)
{
    done_ = static_cast<qsizetype>(std::llround(fraction * static_cast<double>(found_)));
    DrawBar();
}

void TerminalProgress::LetEventsRun()
{
    if (clock_.elapsed() - lastDraw_ >= kRedrawMs)
        DrawBar();
}

void TerminalProgress::Close()
{
    ClearBar();
}

void TerminalProgress::FileFinished(const QString& source, const QString& target, const batch::ConvertReport& report)
{
    sourcePixels_ += report.sourcePixels;
    if (report.written) {
        ++written_;
        NoteWritten(source, target);
        return;
    }
    ++failed_;
    // The name as the file system holds it, so a script can use it as it stands.
    PrintLine(platform::EncodeFileName(source) + ": " + report.failure.toUtf8());
}

// Files finish in list order and a later file of the same name starts only after the
// earlier one is done, so the copy written last is the one that stands. Names that differ
// only in case are one file where the target ignores case: the file system says which.
void TerminalProgress::NoteWritten(const QString& source, const QString& target)
{
    QList<Copy>& sameName = copies_[batch::FileNameOf(target).toCaseFolded()];
    for (qsizetype i = 0; i < sameName.size();) {
        const Copy& earlier = sameName[i];
        if (earlier.target != target && !batch::SameFile(earlier.target, target)) {
            ++i;
            continue;
        }
        ++replaced_;
        if (listReplaced_)
            PrintLine(platform::EncodeFileName(earlier.source) + ": replaced by the later picture of the same name "
                      + platform::EncodeFileName(source));
        sameName.removeAt(i);
    }
    sameName.append({source, target});
}

void TerminalProgress::PrintLine(const QByteArray& text)
{
    ClearBar();
    const QByteArray line = "zimbrel-shrink: " + EscapeControls(text) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    DrawBar();
}

QByteArray TerminalProgress::Summary() const
{
    const QString replaced = replaced_ > 0
        ? QStringLiteral(", %1 replaced by a later picture of the same name").arg(replaced_)
        : QString();
    return QStringLiteral("zimbrel-shrink: %1 pictures found, %2 written%3, %4 failed, %5 source megapixels, %6 s\n")
        .arg(found_)
        .arg(Written())
        .arg(replaced)
        .arg(failed_)
        .arg(static_cast<double>(sourcePixels_) / 1e6, 0, 'f', 1)
        .arg(static_cast<double>(clock_.elapsed()) / 1000.0, 0, 'f', 2)
        .toUtf8();
}

void TerminalProgress::DrawBar()
{
    if (!bar_)
        return;
    lastDraw_ = clock_.elapsed();
    const double seconds = static_cast<double>(lastDraw_) / 1000.0;
    const double fraction = found_ > 0 ? static_cast<double>(done_) / static_cast<double>(found_) : 1.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    QByteArray line = "\r\033[K[" + QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '.') + "] ";
    line += QByteArray::number(done_) + '/' + QByteArray::number(found_) + "  ";
    line += QByteArray::number(static_cast<int>(fraction * 100)) + "%";
    if (done_ > 0 && seconds > 0) {
        const double rate = static_cast<double>(done_) / seconds;
        line += "  " + QByteArray::number(rate, 'f', 1) + " pictures/s";
        line += "  " + Clock(static_cast<double>(found_ - done_) / rate) + " left";
    }
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    std::fflush(out_);
    barShown_ = true;
}

void TerminalProgress::ClearBar()
{
    if (!barShown_)
        return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    barShown_ = false;
}

} // namespace cli
