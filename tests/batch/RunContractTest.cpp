// The run speaks to its front end in typed decisions only: a front end that shows no
// boxes sees none, and learns each question, refusal and failure with its reason.
#include "common/BatchTestSupport.h"

#include "batch/ShrinkRun.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <deque>

using apptest::JpegSize;
using apptest::RecordingProgress;
using apptest::WriteJpeg;
using batch::FailureCause;
using batch::Refusal;
using batch::RunOutcome;

namespace {

class RecordingDecisions : public batch::RunDecisions {
public:
    bool ConfirmOverwrite(const QString& target) override
    {
        asked << target;
        const bool answer = answers.empty() || answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    void Refused(Refusal reason, const QString&, const QString&) override { refusals.push_back(reason); }
    void Failed(const QString& source, const QString& target, const batch::ConvertReport& report) override
    {
        failures.push_back({source, target, report});
    }
    void TargetUnusable(const QString& folder, const QString&) override { unusable << folder; }
    void NotFlushed(const QString&, const QString&) override {}

    struct Failure {
        QString source;
        QString target;
        batch::ConvertReport report;
    };
    std::deque<bool> answers;
    QStringList asked;
    std::vector<Refusal> refusals;
    std::vector<Failure> failures;
    QStringList unusable;
};

class RunContractTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root_.path() + u'/' + relative; }

    RunOutcome Run(const QString& source, const QString& target)
    {
        batch::RunRequest request;
        request.sourceText = source;
        request.targetText = target;
        request.sizeText = QStringLiteral("50%");
        request.workers = 2;
        return batch::RunShrinkJob(request, progress_, decisions_);
    }

    apptest::PrivateStore store_;
    QTemporaryDir root_;
    platform::MessageBoxRecorder boxes_; // must stay empty: the run shows nothing itself
    RecordingProgress progress_;
    RecordingDecisions decisions_;
};

TEST_F(RunContractTest, RefusalsAndTheOverwriteQuestionAreTyped)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    ASSERT_TRUE(WriteJpeg(Path("old.jpg"), 10, 10));

    EXPECT_EQ(Run(Path("src"), Path("src/klein")), RunOutcome::Stopped);
    EXPECT_EQ(Run(Path("src"), Path("src")), RunOutcome::Stopped);
    EXPECT_EQ(Run(Path("src"), QString()), RunOutcome::Stopped);
    EXPECT_EQ(Run(Path("src/a.jpg"), Path("src/A.JPG")), RunOutcome::Stopped);
    EXPECT_EQ(decisions_.refusals,
              (std::vector<Refusal>{Refusal::TargetInside, Refusal::SameFolder, Refusal::NoTarget, Refusal::SameFile}));

    decisions_.answers = {false, true};
    EXPECT_EQ(Run(Path("src/a.jpg"), Path("old.jpg")), RunOutcome::Stopped);
    EXPECT_EQ(JpegSize(Path("old.jpg")), QSize(10, 10));
    EXPECT_EQ(Run(Path("src/a.jpg"), Path("old.jpg")), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("old.jpg")), QSize(32, 24));
    EXPECT_EQ(decisions_.asked, (QStringList{Path("old.jpg"), Path("old.jpg")}));

    EXPECT_EQ(progress_.opened, 1); // only the confirmed run started
    EXPECT_TRUE(boxes_.Calls().empty());
}

TEST_F(RunContractTest, FailedFilesCarryTheirCauseAndTheWritersBoxes)
{
    ASSERT_TRUE(WriteJpeg(Path("src/a.jpg"), 64, 48));
    QFile damaged(Path("src/b.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("no picture");
    damaged.close();
    ASSERT_TRUE(WriteJpeg(Path("src/c.jpg"), 64, 48));
    ASSERT_TRUE(QDir().mkpath(Path("out")));
    ASSERT_TRUE(QFile::link(Path("src/c.jpg"), Path("out/c.jpg")));

    EXPECT_EQ(Run(Path("src"), Path("out")), RunOutcome::Finished);
    EXPECT_EQ(JpegSize(Path("out/a.jpg")), QSize(32, 24));
    EXPECT_TRUE(QFileInfo(Path("out/c.jpg")).isSymLink());

    ASSERT_EQ(decisions_.failures.size(), 2u);
    const auto& unreadable = decisions_.failures[0];
    EXPECT_EQ(unreadable.source, Path("src/b.jpg"));
    EXPECT_EQ(unreadable.report.cause, FailureCause::Unreadable);
    EXPECT_FALSE(unreadable.report.failure.isEmpty());
    EXPECT_TRUE(unreadable.report.messages.empty()); // percent mode: nothing reached the writer
    const auto& protectedSource = decisions_.failures[1];
    EXPECT_EQ(protectedSource.target, Path("out/c.jpg"));
    EXPECT_EQ(protectedSource.report.cause, FailureCause::SourceInWay);

    // The observer sees every file, in list order, written or not.
    ASSERT_EQ(progress_.reports.size(), 3u);
    EXPECT_TRUE(progress_.reports[0].written);
    EXPECT_EQ(progress_.reports[1].cause, FailureCause::Unreadable);
    EXPECT_EQ(progress_.reports[2].cause, FailureCause::SourceInWay);
    EXPECT_EQ(progress_.listed, 3);
    EXPECT_TRUE(boxes_.Calls().empty());

    // In pixel mode the writer refuses the empty picture aloud: its box travels with the
    // failure instead of being shown.
    decisions_.failures.clear();
    batch::RunRequest request;
    request.sourceText = Path("src/b.jpg");
    request.targetText = Path("b-klein.jpg");
    request.sizeText = QStringLiteral("640");
    EXPECT_EQ(batch::RunShrinkJob(request, progress_, decisions_), RunOutcome::Finished);
    ASSERT_EQ(decisions_.failures.size(), 1u);
    EXPECT_EQ(decisions_.failures[0].report.messages,
              (std::vector<platform::MessageBoxCall>{{QStringLiteral("Failed to save to JPG"), platform::ProgramTitle(),
                                                      platform::MsgIcon::Exclamation, platform::MsgButtons::OK}}));
    EXPECT_TRUE(boxes_.Calls().empty());
}

} // namespace
