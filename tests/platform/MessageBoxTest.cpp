#include "platform/MessageBox.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, RecorderKeepsEveryBoxAndAnswersFromItsQueue)
{
    MessageBoxRecorder recorder;
    recorder.QueueAnswer(MsgAnswer::No);
    EXPECT_EQ(MessageBox("Overwrite?", "Datei", MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_EQ(MessageBox("Again?", "Datei", MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
    EXPECT_EQ(MessageBox("Note", ProgramTitle(), MsgIcon::Exclamation), MsgAnswer::OK);
    ASSERT_EQ(recorder.Calls().size(), 3u);
    EXPECT_EQ(recorder.Calls()[0], (MessageBoxCall{"Overwrite?", "Datei", MsgIcon::Question, MsgButtons::YesNo}));
    EXPECT_EQ(recorder.Calls()[2].title, "Zimbrel");
}

TEST(MessageBox, RecordersNestAndRestoreThePreviousPresenter)
{
    MessageBoxRecorder outer;
    {
        MessageBoxRecorder inner;
        MessageBox("inner", "t", MsgIcon::None);
        EXPECT_EQ(inner.Calls().size(), 1u);
    }
    MessageBox("outer", "t", MsgIcon::None);
    ASSERT_EQ(outer.Calls().size(), 1u);
    EXPECT_EQ(outer.Calls()[0].text, "outer");
}
