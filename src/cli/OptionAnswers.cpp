#include "OptionAnswers.h"

#include "batch/WindowWords.h"

namespace cli {

bool OptionAnswers::ConfirmOverwrite(const QString&)
{
    if (!overwrite_)
        Print(QStringLiteral("the target file exists; --overwrite replaces it"));
    return overwrite_;
}

void OptionAnswers::Refused(batch::Refusal reason, const QString&, const QString&)
{
    Print(batch::RefusalText(reason));
}

void OptionAnswers::Print(const QString& line)
{
    const QByteArray bytes = "zimbrel-shrink: " + line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
}

} // namespace cli
