#pragma once
// The shrink run as a terminal sees it: a progress bar redrawn in place on stderr (only
// when stderr is a terminal), one line for every failed picture, for every copy written
// without damaged metadata and for every copy a later picture of the same name replaced,
// and the counts for the closing summary. Ctrl-C is the cancel marker. The bar always
// fits the terminal's width; on a terminal without cursor control (TERM unset or "dumb")
// it is redrawn with a carriage return and blanks only, no escape codes.

#include "batch/RunContract.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>

#include <csignal>
#include <cstdint>
#include <cstdio>

namespace cli {

// The bar's text for done of found pictures after seconds, at most columns - 1 characters
// wide (a character in the last column makes some terminals wrap): the bar shrinks first,
// then the time left, the rate and the percentage are dropped, in that order.
QByteArray ProgressLine(qsizetype done, qsizetype found, double seconds, int columns);

class TerminalProgress : public batch::RunObserver {
public:
    // bar: draw the progress bar; interrupted: set by the signal handler.
    TerminalProgress(std::FILE* out, bool bar, const volatile std::sig_atomic_t& interrupted);

    void RunStarted(batch::RunKind) override {} // a Ctrl-C before the run started still counts
    void FilesListed(qsizetype count) override { found_ = count; }
    void FileStarted(const QString&) override {}
    void FileFinished(const QString& source, const QString& target, const batch::ConvertReport& report) override;
    void Progress(double fraction) override;
    bool CancelRequested() const override { return interrupted_ != 0; }
    void RunEnded() override;

    // Redraws the bar now and then while the run waits (the clock and the rate change
    // between files too): the run's event pump.
    void Tick();

    // What the output options add: notes about single copies on stderr (not with --quiet;
    // among them "PATH: warning: ..." for a copy written without damaged metadata),
    // a dry run's plan on plan (each picture's target, or why it is skipped), and the
    // encodings per copy in the summary (a size budget).
    void SetReporting(bool notes, std::FILE* plan, bool countEncodes)
    {
        notes_ = notes;
        plan_ = plan;
        countEncodes_ = countEncodes;
    }

    qsizetype Found() const { return found_; }
    // Copies standing in the target: written and not replaced by a later picture.
    qsizetype Written() const { return written_ - replaced_; }
    qsizetype Replaced() const { return replaced_; }
    qsizetype Failed() const { return failed_; }
    qsizetype Skipped() const { return skipped_; }
    // "N pictures found, W written[, R replaced by a later picture of the same name], F
    // failed, ..., T s": the closing summary.
    QByteArray Summary() const;

private:
    void DrawBar();
    void ClearBar();
    int Columns() const;
    // Prints text and a line feed to to, control characters escaped: one line, whatever
    // a name holds.
    void Line(std::FILE* to, const QByteArray& text);
    void NoteWritten(const QString& source, const QString& target);

    struct Copy {
        QString source;
        QString target;
    };

    std::FILE* out_;
    bool bar_;
    QHash<QString, QList<Copy>> copies_; // written copies by case-folded target name
    const volatile std::sig_atomic_t& interrupted_;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1;
    bool barShown_ = false;
    bool plain_ = false;      // no escape codes: overwrite with blanks instead
    qsizetype barLength_ = 0; // what the blanks have to cover
    qsizetype found_ = 1;     // a single-file run lists nothing
    qsizetype done_ = 0;
    qsizetype written_ = 0;
    qsizetype replaced_ = 0;
    qsizetype failed_ = 0;
    std::int64_t sourcePixels_ = 0;
    bool notes_ = false;
    std::FILE* plan_ = nullptr; // set on a dry run
    bool countEncodes_ = false;
    qsizetype skipped_ = 0;
    qsizetype planned_ = 0;
    std::int64_t encodes_ = 0;
};

} // namespace cli
