#include "OptionAnswers.h"

#include "TerminalText.h"

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

// The box's paragraphs become one line; a line feed left over is part of a name and is
// shown escaped, like every control character.
void OptionAnswers::TargetUnusable(const QString& folder, const QString& why)
{
    Print(batch::TargetUnusableText(folder, why).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
}

void OptionAnswers::NotFlushed(const QString& folder, const QString& why)
{
    notFlushed_ = true;
    Print(batch::NotFlushedText(folder, why).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
}

void OptionAnswers::Print(const QString& line)
{
    const QByteArray bytes = "zimbrel-shrink: " + EscapeControls(line.toUtf8()) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
}

} // namespace cli
