#include "cli/CommandLineOptions.h"
#include "cli/TerminalProgress.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok = false;
    cli::CommandLineOptions options;
    QString error;

    bool operator==(const Parsed&) const = default;
};

Parsed Parse(const QStringList& arguments)
{
    Parsed parsed;
    parsed.ok = cli::ParseCommandLine(arguments, parsed.options, parsed.error);
    return parsed;
}

std::string Show(const Parsed& parsed)
{
    return (parsed.ok ? "ok" : "error: " + parsed.error).toStdString();
}

TEST(CommandLineOptionsTest, ShortOptionsBundleAndTakeAttachedValues)
{
    const struct {
        QStringList bundled;
        QStringList spelledOut;
    } cases[] = {
        {{"-rq50", "a", "b"}, {"-r", "-q", "50", "a", "b"}},
        {{"-s320", "a", "b"}, {"-s", "320", "a", "b"}},
        {{"-j2", "a", "b"}, {"-j", "2", "a", "b"}},
        {{"-rj2", "-s40%", "a", "b"}, {"-r", "-j", "2", "-s", "40%", "a", "b"}},
        {{"-rs", "-5", "a", "b"}, {"-r", "--size=-5", "a", "b"}}, // a value may start with "-"
        {{"-q5", "a", "b"}, {"-q", "5", "a", "b"}},               // the same refusal
        {{"-rh"}, {"-r", "--help"}},
    };
    for (const auto& c : cases) {
        const Parsed bundled = Parse(c.bundled);
        EXPECT_EQ(bundled, Parse(c.spelledOut)) << c.bundled.join(' ').toStdString() << ": " << Show(bundled);
    }
    EXPECT_EQ(Parse({"-rq50", "a", "b"}).options.quality, 50);

    const struct {
        QStringList arguments;
        const char* error;
    } refused[] = {
        {{"-rx", "a", "b"}, "unknown option -x"},
        {{"-r-", "a", "b"}, "unknown option --"},
        {{"-r-quiet", "a", "b"}, "unknown option --"},
        {{"-rq"}, "option -q needs a value"},
        {{"--subfolders=yes", "a", "b"}, "option --subfolders takes no value"},
    };
    for (const auto& r : refused)
        EXPECT_EQ(Show(Parse(r.arguments)), std::string("error: ") + r.error);
}

// Every short option that --help lists, flag or value, bundles the same way, so options
// added later are held to it too.
TEST(CommandLineOptionsTest, EveryShortOptionInTheHelpBundles)
{
    static const QRegularExpression line(QStringLiteral("^\\s+-(\\w), --[\\w-]+( [A-Z]+)?"),
                                         QRegularExpression::MultilineOption);
    int seen = 0;
    for (const QRegularExpressionMatch& m : line.globalMatch(cli::UsageText())) {
        const QString option = u'-' + m.captured(1);
        ++seen;
        if (m.capturedLength(2) > 0) {
            EXPECT_EQ(Parse({option + "2", "a", "b"}), Parse({option, "2", "a", "b"})) << option.toStdString();
        } else {
            const Parsed bundled = Parse({option + "j3", "a", "b"});
            EXPECT_EQ(bundled, Parse({option, "-j", "3", "a", "b"})) << option.toStdString() << ": " << Show(bundled);
        }
    }
    EXPECT_GE(seen, 5);
}

TEST(ProgressLineTest, FitsEveryWidthAndDropsDetailsBeforeCounts)
{
    const struct {
        qsizetype done, found;
        double seconds;
    } states[] = {{0, 0, 0}, {0, 40, 0}, {13, 40, 2.5}, {1, 1, 0.1}, {1234567, 9999999, 98765.4}};
    for (const auto& s : states) {
        for (const int columns : {0, 1, 2, 8, 12, 20, 26, 40, 60, 80, 200}) {
            const QByteArray line = cli::ProgressLine(s.done, s.found, s.seconds, columns);
            const std::string where = std::to_string(s.done) + "/" + std::to_string(s.found) + " in "
                + std::to_string(columns) + " columns: " + line.toStdString();
            EXPECT_LE(line.size(), std::max(columns - 1, 1)) << where;
            EXPECT_FALSE(line.contains('\033') || line.contains('\r') || line.contains('\n')) << where;
            const QByteArray counts = QByteArray::number(s.done) + '/' + QByteArray::number(s.found);
            if (columns > counts.size()) {
                EXPECT_TRUE(line.contains(counts)) << where;
            }
        }
    }
    EXPECT_EQ(cli::ProgressLine(13, 40, 2.5, 120).toStdString(),
              "[#########.....................] 13/40  32%  5.2 pictures/s  0:05 left");
    EXPECT_EQ(cli::ProgressLine(13, 40, 2.5, 40).toStdString(), "[###.......] 13/40  32%  5.2 pictures/s");
    EXPECT_EQ(cli::ProgressLine(13, 40, 2.5, 20).toStdString(), "[###........] 13/40");
    EXPECT_EQ(cli::ProgressLine(13, 40, 2.5, 12).toStdString(), "13/40");
}

} // namespace
