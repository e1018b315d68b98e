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

private:
    void Print(const QString& line);

    std::FILE* out_;
    bool overwrite_;
};

} // namespace cli
