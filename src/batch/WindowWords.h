#pragma once
// What the window says about a shrink run: its progress line and the message boxes that
// carry the run's decisions, with their texts, titles, icons and buttons. Kept beside the
// engine, without widgets, so the window and the engine's tests use the same words.

#include "batch/RunContract.h"

#include <QString>

namespace batch {

// The progress line while a folder run lists its files.
QString ListingStatus();
// The progress line while source is shrunk: the full path in a folder run, the file name
// in a single-file run; names that are not UTF-8 shown readably.
QString FileStatus(RunKind kind, const QString& source);
// The text of the box that reports a refusal.
QString RefusalText(Refusal reason);
// The texts of the boxes for a target folder that cannot be used, and for copies that may
// not have reached the device.
QString TargetUnusableText(const QString& folder, const QString& why);
QString NotFlushedText(const QString& folder, const QString& why);

// The decisions as the program's message boxes (platform::MessageBox): the overwrite
// question, the refusals, and for a failed file the image engine's own boxes, then the
// box that names a target left unwritten because it is a source picture.
class MessageBoxDecisions : public RunDecisions {
public:
    bool ConfirmOverwrite(const QString& target) override;
    void Refused(Refusal reason, const QString& source, const QString& target) override;
    void Failed(const QString& source, const QString& target, const ConvertReport& report) override;
    void TargetUnusable(const QString& folder, const QString& why) override;
    void NotFlushed(const QString& folder, const QString& why) override;
};

} // namespace batch
