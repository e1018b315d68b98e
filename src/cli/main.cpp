// zimbrel-shrink: the engine on the command line, for scripts, imports and
// servers. It reads its target exactly as the window reads its target box, with the
// same checks and the same output names; it reads and writes no settings and needs no
// display.

#include "CommandLineOptions.h"
#include "OptionAnswers.h"
#include "TerminalProgress.h"
#include "TerminalText.h"

#include "batch/ExactPaths.h"
#include "batch/ShrinkRun.h"
#include "platform/FatalErrors.h"
#include "platform/FileNames.h"
#include "support/StdModul.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

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

// --help and --version: a failed write (a full disk, a closed pipe) is an error, not
// silent success.
int PrintToStdout(const QString& text)
{
    Print(stdout, text);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return kAllWritten;
    Print(stderr, QStringLiteral("zimbrel-shrink: cannot write to standard output: %1\n").arg(std::strerror(errno)));
    return kRefused;
}

// One message line: "zimbrel-shrink: " + text, whatever control characters text holds.
void PrintLine(const QString& text)
{
    Print(stderr, QStringLiteral("zimbrel-shrink: ") + QString::fromUtf8(cli::EscapeControls(text.toUtf8())) + u'\n');
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
    if (options.help)
        return PrintToStdout(cli::UsageText());
    if (options.version)
        return PrintToStdout(QStringLiteral("zimbrel-shrink " ZIMBREL_VERSION "\n"));
    if (!batch::IsFolder(options.source) && !StdModul::FileExists(options.source)) {
        PrintLine(QStringLiteral("%1: no such picture or folder").arg(platform::DisplayFileName(options.source)));
        return kRefused;
    }

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    batch::RunRequest request;
    request.sourceText = options.source;
    request.targetText = options.target;
    request.quality = options.quality;
    request.sizeText = options.size;
    request.includeSubfolders = options.subfolders;
    request.workers = options.jobs;
    request.memoryLimit = options.memoryLimit;
    request.saveSettings = false;
    request.trimTexts = false; // names as the shell passed them, blanks and all
    request.output = options.output;

    cli::TerminalProgress progress(stderr, !options.quiet && ::isatty(STDERR_FILENO), interrupted);
    progress.SetReporting(!options.quiet, options.output.dryRun ? stdout : nullptr, options.output.maxBytes > 0);
    cli::OptionAnswers answers(stderr, options.overwrite);
    // A tick redraws the bar when it is due and leaves nothing pending behind it.
    const auto tick = [&progress] {
        progress.Tick();
        return false;
    };
    if (batch::RunShrinkJob(request, progress, answers, tick) == batch::RunOutcome::Stopped)
        return kRefused;
    if (!options.quiet)
        Print(stderr, QString::fromUtf8(progress.Summary()));
    if (interrupted)
        return kInterrupted;
    return progress.Failed() > 0 || answers.NotAllFlushed() ? kSomeFailed : kAllWritten;
}
