// zimbrel-shrink: the shrink engine on the command line, for scripts, imports and
// servers. It reads its target exactly as the window reads its target box, with the
// same checks and the same output names; it reads and writes no settings and needs no
// display.

#include "CommandLineOptions.h"
#include "TerminalProgress.h"
#include "TerminalText.h"

#include "batch/ExactPaths.h"
#include "batch/ShrinkRun.h"
#include "platform/FatalErrors.h"
#include "platform/FileNames.h"
#include "platform/MessageBox.h"
#include "support/StdModul.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeFailed = 1;
constexpr int kRefused = 2;
constexpr int kInterrupted = 130;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int)
{
    interrupted = 1;
}

void Print(std::FILE* out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
}

// One message line: "zimbrel-shrink: " + text, whatever control characters text holds.
void PrintLine(const QString& text)
{
    Print(stderr, QStringLiteral("zimbrel-shrink: ") + QString::fromUtf8(cli::EscapeControls(text.toUtf8())) + u'\n');
}

// Messages printed while a run that passed its checks was under way: a problem the run
// could not show as one picture's failure (the copies could not be flushed to disk).
std::atomic<int> lateMessages{0};

// The engine's questions and refusals, answered from the options and printed.
platform::MsgAnswer Answer(const platform::MessageBoxCall& box, bool overwrite)
{
    if (box.buttons == platform::MsgButtons::YesNo || box.buttons == platform::MsgButtons::YesNoCancel) {
        if (overwrite)
            return platform::MsgAnswer::Yes;
        Print(stderr, QStringLiteral("zimbrel-shrink: the target file exists; --overwrite replaces it\n"));
        return platform::MsgAnswer::No;
    }
    // The box's paragraphs become one line; a line feed left over is part of a name.
    QString text = box.text;
    text.replace(QStringLiteral("\n\n"), QStringLiteral(" "));
    PrintLine(text);
    ++lateMessages;
    return platform::MsgAnswer::OK;
}

} // namespace

int main(int argc, char** argv)
{
    platform::ReportUnhandledErrors("zimbrel-shrink");
    // Byte-exact, so SOURCE and TARGET name exactly what the shell passed.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << platform::DecodeFileName(QByteArray(argv[i]));
    cli::CommandLineOptions options;
    QString error;
    if (!cli::ParseCommandLine(arguments, options, error)) {
        PrintLine(error);
        Print(stderr, QStringLiteral("Try 'zimbrel-shrink --help'.\n"));
        return kRefused;
    }
    if (options.help) {
        Print(stdout, cli::UsageText());
        return kAllWritten;
    }
    if (options.version) {
        Print(stdout, QStringLiteral("zimbrel-shrink " ZIMBREL_VERSION "\n"));
        return kAllWritten;
    }
    if (!batch::IsFolder(options.source) && !StdModul::FileExists(options.source)) {
        PrintLine(QStringLiteral("%1: no such picture or folder").arg(platform::DisplayFileName(options.source)));
        return kRefused;
    }

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    platform::SetMessageBoxPresenter(
        [overwrite = options.overwrite](const platform::MessageBoxCall& box) { return Answer(box, overwrite); });

    batch::RunRequest request;
    request.sourceText = options.source;
    request.targetText = options.target;
    request.quality = options.quality;
    request.sizeText = options.size;
    request.includeSubfolders = options.subfolders;
    request.workers = options.jobs;
    request.memoryLimit = options.memoryLimit;
    request.saveSettings = false;
    request.trimTexts = false;        // names as the shell passed them, blanks and all
    request.showFileMessages = false; // each failure is one line with its reason instead
    request.output = options.output;

    cli::TerminalProgress progress(stderr, !options.quiet && ::isatty(STDERR_FILENO), interrupted);
    progress.SetReporting(!options.quiet, options.output.dryRun ? stdout : nullptr, options.output.maxBytes > 0);
    if (batch::RunShrinkJob(request, progress) == batch::RunOutcome::Stopped)
        return kRefused;
    const bool problems = lateMessages > 0;
    if (!options.quiet)
        Print(stderr, QString::fromUtf8(progress.Summary()));
    if (interrupted)
        return kInterrupted;
    return progress.Failed() > 0 || problems ? kSomeFailed : kAllWritten;
}
