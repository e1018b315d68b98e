// The two programs as a terminal, a pipe and a full disk meet them.

#include "common/BatchTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using apptest::WriteJpeg;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs zimbrel-shrink on a terminal of the given width; everything it printed, as the
// terminal received it.
Outcome OnTerminal(const QStringList& arguments, const char* term, int columns)
{
    std::vector<QByteArray> strings{QByteArray(ZIMBREL_SHRINK)};
    for (const QString& argument : arguments)
        strings.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    // The environment is made before fork: the child only calls execve.
    std::vector<QByteArray> variables;
    for (char** e = environ; *e != nullptr; ++e)
        if (qstrncmp(*e, "TERM=", 5) != 0 && qstrncmp(*e, "COLUMNS=", 8) != 0)
            variables.emplace_back(*e);
    if (term != nullptr)
        variables.push_back(QByteArray("TERM=") + term);
    std::vector<char*> envp;
    for (QByteArray& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = 24;
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    if (pid == 0) {
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    Outcome run;
    if (pid < 0)
        return run;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got > 0)
            run.err.append(buffer, got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break; // EIO once the program has ended
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Outcome Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
              const QString& stdoutFile = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

class TerminalMannersTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }
    QTemporaryDir root_;
};

TEST_F(TerminalMannersTest, TheProgressLineFitsTheTerminalAndDumbTerminalsGetNoEscapeCodes)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteJpeg(Path(QStringLiteral("src/%1.jpg").arg(i)), 200, 150));
    const struct {
        const char* term;
        bool escapes;
    } terminals[] = {{"xterm-256color", true}, {"dumb", false}, {nullptr, false}};
    for (const auto& t : terminals) {
        for (const int columns : {30, 72}) {
            const QString out = Path(QStringLiteral("out-%1-%2").arg(t.term ? t.term : "unset").arg(columns));
            const Outcome run = OnTerminal({"-s", "64", Path("src"), out}, t.term, columns);
            const std::string where = std::string(t.term ? t.term : "no TERM") + ", " + std::to_string(columns)
                + " columns: " + run.err.toStdString();
            EXPECT_EQ(run.exitCode, 0) << where;
            EXPECT_EQ(run.err.contains('\033'), t.escapes) << where;
            EXPECT_TRUE(run.err.contains("3/3")) << where; // the bar was drawn
            QByteArray text = run.err;
            text.replace("\033[K", "");
            for (const QByteArray& piece : text.split('\r')) {
                for (const QByteArray& line : piece.split('\n')) {
                    if (!line.startsWith("zimbrel-shrink: ")) { // the summary is a line of its own
                        EXPECT_LT(line.size(), columns) << where;
                    }
                }
            }
        }
    }
}

TEST_F(TerminalMannersTest, APipeGetsPlainLinesAndOnePictureIsSingular)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    const Outcome run = Start(ZIMBREL_SHRINK, {Path("src"), Path("out")}, QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.startsWith("zimbrel-shrink: 1 picture found, 1 written, 0 failed")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains('\033') || run.err.contains('\r'));
}

TEST_F(TerminalMannersTest, HelpAndVersionFailWhenTheyCannotBeWritten)
{
    const auto environment = QProcessEnvironment::systemEnvironment();
    for (const char* program : {ZIMBREL_SHRINK, ZIMBREL_WINDOW}) {
        for (const char* option : {"--help", "--version"}) {
            const Outcome full = Start(program, {option}, environment, QStringLiteral("/dev/full"));
            EXPECT_NE(full.exitCode, 0) << program << ' ' << option;
            EXPECT_TRUE(full.err.contains("cannot write to standard output")) << full.err.toStdString();
        }
    }
}

// No display, no settings folder: --help and --version answer before any window exists.
TEST_F(TerminalMannersTest, TheWindowProgramAnswersHelpAndVersionWithoutAWindowOrSettings)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("XDG_CONFIG_HOME", Path("config"));
    const Outcome help = Start(ZIMBREL_WINDOW, {"--help"}, environment);
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: zimbrel [FOLDER | PICTURE]\n")) << help.out.toStdString();
    const Outcome version = Start(ZIMBREL_WINDOW, {"--version"}, environment);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "zimbrel " ZIMBREL_VERSION "\n");
    EXPECT_FALSE(QFileInfo::exists(Path("config")));
}

} // namespace
