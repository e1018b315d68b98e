#pragma once
// A program run as a script runs it: its exit code and what it printed.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace clitest {

struct Result {
    int exitCode = -1; // -1 when the program did not exit normally
    QString out;
    QString err;
};

inline Result Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// zimbrel-shrink with arguments.
inline Result Shrink(const QStringList& arguments)
{
    return Run(QStringLiteral(ZIMBREL_SHRINK), arguments);
}

} // namespace clitest
