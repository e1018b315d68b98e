// The bash completion of zimbrel-shrink, run in a real bash with bash-completion loaded.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr char kBashCompletion[] = "/usr/share/bash-completion/bash_completion";

class CompletionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(kBashCompletion))
            GTEST_SKIP() << "bash-completion is not installed (scripts/setup.sh installs it)";
    }

    // The words offered for the command line line, completed at its end, sorted.
    QStringList Complete(const QString& line)
    {
        const QString script = QStringLiteral(
                                   "source %1; source %2; cd \"$ROOT\"; COMP_LINE=\"$LINE\"; COMP_POINT=${#COMP_LINE};"
                                   " read -ra COMP_WORDS <<<\"$LINE\"; [[ $LINE == *' ' ]] && COMP_WORDS+=('');"
                                   " COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _zimbrel_shrink zimbrel-shrink; printf "
                                   "'%s\\n' \"${COMPREPLY[@]}\"")
                                   .arg(kBashCompletion, ZIMBREL_COMPLETION);
        QProcess bash;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", QFileInfo(ZIMBREL_SHRINK).path() + u':' + environment.value("PATH"));
        environment.insert("ROOT", root_.path());
        environment.insert("LINE", line);
        bash.setProcessEnvironment(environment);
        bash.start("bash", {"--norc", "-c", script});
        EXPECT_TRUE(bash.waitForFinished(30000));
        QStringList words = QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        words.sort();
        return words;
    }

    QTemporaryDir root_;
};

TEST_F(CompletionTest, OffersOptionsSizesFoldersAndPictures)
{
    for (const char* name : {"Bilder/a.jpg", "Bilder/b.JPEG", "Bilder/c.heic", "Bilder/d.HIF", "Bilder/e.png",
                             "Bilder/f.webp", "Bilder/h.avif", "Bilder/notes.txt", "Bilder/Urlaub/g.jpg"}) {
        QDir().mkpath(root_.filePath(QFileInfo(name).path()));
        QFile file(root_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const struct {
        const char* line;
        QStringList offered;
    } cases[] = {
        {"zimbrel-shrink -s ", {"1024", "1600", "40%", "640"}},
        {"zimbrel-shrink --size=1", {"1024", "1600"}},
        {"zimbrel-shrink --q", {"--quality", "--quiet"}},
        {"zimbrel-shrink --sub", {"--subfolders"}},
        {"zimbrel-shrink -q ", {}},
        {"zimbrel-shrink --max-size ", {}},
        {"zimbrel-shrink --format=", {"jpeg", "webp"}},
        {"zimbrel-shrink --filter l", {"lanczos3"}},
        {"zimbrel-shrink -r Bilder/",
         {"Bilder/Urlaub", "Bilder/a.jpg", "Bilder/b.JPEG", "Bilder/c.heic", "Bilder/d.HIF", "Bilder/e.png",
          "Bilder/f.webp", "Bilder/h.avif"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Complete(c.line).join(u' ').toStdString(), c.offered.join(u' ').toStdString()) << c.line;
}

} // namespace
