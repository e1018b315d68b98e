#include "TerminalProgress.h"

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

TerminalProgress::TerminalProgress(std::FILE* out, bool bar, const volatile std::sig_atomic_t& interrupted)
    : out_(out), bar_(bar), interrupted_(interrupted)
{
    clock_.start();
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

void TerminalProgress::FileFinished(const QString& source, const QString&, const batch::ConvertReport& report)
{
    sourcePixels_ += report.sourcePixels;
    if (report.written) {
        ++written_;
        return;
    }
    ++failed_;
    ClearBar();
    // The name as the file system holds it, so a script can use it as it stands.
    const QByteArray line = "zimbrel-shrink: " + platform::EncodeFileName(source) + ": " + report.failure.toUtf8()
        + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    DrawBar();
}

QByteArray TerminalProgress::Summary() const
{
    return QStringLiteral("zimbrel-shrink: %1 pictures found, %2 written, %3 failed, %4 source megapixels, %5 s\n")
        .arg(found_)
        .arg(written_)
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
