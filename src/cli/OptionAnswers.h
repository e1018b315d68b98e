#pragma once
// The run's decisions on the command line: answered from the options, told on stderr.

#include "batch/RunContract.h"

#include <cstdio>

namespace cli {

class OptionAnswers : public batch::RunDecisions {
public:
    // overwrite: --overwrite was given.
    OptionAnswers(std::FILE* out, bool overwrite) : out_(out), overwrite_(overwrite) {}

    // Yes with --overwrite; otherwise no, and a line that says how to replace the file.
    bool ConfirmOverwrite(const QString& target) override;
    // One line with the reason, as the window's box words it.
    void Refused(batch::Refusal reason, const QString& source, const QString& target) override;
    // Nothing: the progress prints each failed file's line with its reason.
    void Failed(const QString&, const QString&, const batch::ConvertReport&) override {}
    // One line naming the folder and the reason.
    void TargetUnusable(const QString& folder, const QString& why) override;
    // One line, and the run counts as one with problems.
    void NotFlushed(const QString& folder, const QString& why) override;

    // True when a run that passed its checks could not flush its copies.
    bool NotAllFlushed() const { return notFlushed_; }

private:
    void Print(const QString& line);

    std::FILE* out_;
    bool overwrite_;
    bool notFlushed_ = false;
};

} // namespace cli
