#include <gtest/gtest.h>

#include "common/Messages.h"

using namespace hotaru;

TEST(Messages, ScriptedAnswersThenDefaultButton) {
    ScriptedMessages script;
    ScopedPresenter scope(script);
    script.answer(mbNo);
    script.answer(mbCancel);
    EXPECT_EQ(MsgBox("q1", mbYesNo + mbQuestion, "確認"), mbNo);
    EXPECT_EQ(MsgBox("q2", mbOKCancel), mbCancel);
    // Queue empty: the default button answers.
    EXPECT_EQ(MsgBox("q3", mbYesNo + mbExclamation, "確認"), mbYes);
    EXPECT_EQ(MsgBox("q4", mbYesNo + mbQuestion + mbDefaultButton2, "確認"), mbNo);
    EXPECT_EQ(MsgBox("q5", mbOKOnly + mbInformation), mbOK);
    EXPECT_EQ(MsgBox("q6", mbOKCancel), mbOK);
    EXPECT_EQ(MsgBox("q7", mbOKCancel + mbDefaultButton2), mbCancel);
    EXPECT_EQ(MsgBox("q8", mbYesNoCancel + mbDefaultButton3), mbCancel);
    EXPECT_EQ(MsgBox("q9", mbOKOnly + mbDefaultButton2 + mbCritical + mbSystemModal), mbOK);

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
    int a = MsgBox("一行目\r二行目\r\n三行目", mbYesNo + mbDefaultButton2, "確認");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a, mbNo);
    EXPECT_NE(err.find("一行目\n二行目\n三行目\n"), std::string::npos);
    EXPECT_EQ(err.find('\r'), std::string::npos);
}

TEST(Messages, LinesSplitAtAnyLineEnd) {
    EXPECT_EQ(MessageLines("a\rb\r\nc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(MessageLines("abc"), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(MessageLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
}
