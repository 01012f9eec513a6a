#include <gtest/gtest.h>

#include "common/Messages.h"

using namespace hotaru;

TEST(Messages, ScriptedAnswersThenDefaultButton) {
    ScriptedMessages script;
    ScopedPresenter scope(script);
    script.answer(vbNo);
    script.answer(vbCancel);
    EXPECT_EQ(MsgBox("q1", vbYesNo + vbQuestion, "確認"), vbNo);
    EXPECT_EQ(MsgBox("q2", vbOKCancel), vbCancel);
    // Queue empty: the default button answers.
    EXPECT_EQ(MsgBox("q3", vbYesNo + vbExclamation, "確認"), vbYes);
    EXPECT_EQ(MsgBox("q4", vbYesNo + vbQuestion + vbDefaultButton2, "確認"), vbNo);
    EXPECT_EQ(MsgBox("q5", vbOKOnly + vbInformation), vbOK);
    EXPECT_EQ(MsgBox("q6", vbOKCancel), vbOK);
    EXPECT_EQ(MsgBox("q7", vbOKCancel + vbDefaultButton2), vbCancel);
    EXPECT_EQ(MsgBox("q8", vbYesNoCancel + vbDefaultButton3), vbCancel);
    EXPECT_EQ(MsgBox("q9", vbOKOnly + vbDefaultButton2 + vbCritical + vbSystemModal), vbOK);

    ASSERT_EQ(script.shown.size(), 9u);
    EXPECT_EQ(script.shown[0].prompt, "q1");
    EXPECT_EQ(script.shown[0].style, 36);
    EXPECT_EQ(script.shown[0].title, "確認");
    EXPECT_EQ(script.shown[1].title, "Hotaru");  // no title: the application's
    EXPECT_EQ(script.shown[8].style, 4368);
}

TEST(Messages, ScopedPresenterRestoresThePrevious) {
    MessagePresenter& original = CurrentMessagePresenter();
    ScriptedMessages outer, inner;
    {
        ScopedPresenter a(outer);
        {
            ScopedPresenter b(inner);
            MsgBox("inner");
            Beep();
        }
        MsgBox("outer");
    }
    EXPECT_EQ(&CurrentMessagePresenter(), &original);
    ASSERT_EQ(inner.shown.size(), 1u);
    EXPECT_EQ(inner.beeps, 1);
    ASSERT_EQ(outer.shown.size(), 1u);
    EXPECT_EQ(outer.shown[0].prompt, "outer");
    inner.clear();
    EXPECT_TRUE(inner.shown.empty());
    EXPECT_EQ(inner.beeps, 0);
}

TEST(Messages, DefaultPresenterAnswersTheDefaultButton) {
    SetMessagePresenter(nullptr);
    testing::internal::CaptureStderr();
    int a = MsgBox("一行目\r二行目\r\n三行目", vbYesNo + vbDefaultButton2, "確認");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a, vbNo);
    EXPECT_NE(err.find("一行目\n二行目\n三行目\n"), std::string::npos);
    EXPECT_EQ(err.find('\r'), std::string::npos);
}

TEST(Messages, LinesSplitAtAnyLineEnd) {
    EXPECT_EQ(MessageLines("a\rb\r\nc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(MessageLines("abc"), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(MessageLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
}
