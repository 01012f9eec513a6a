#include <gtest/gtest.h>

#include "common/Messages.h"
#include "ui/CheckMessages.h"

using namespace hotaru;
using namespace hotaru::ui;

TEST(CheckMessages, TemplateWithItsArgument) {
    CheckMessage m;
    ASSERT_EQ(GetCheckMessage("ERR01", m, {"年"}), 0);
    EXPECT_EQ(m.Message, "[ERR01]年は必ず入力してください。　");
    EXPECT_EQ(m.Code, "ERR01");
    EXPECT_EQ(m.style(), 4112);  // OK only + stop + system modal
}

TEST(CheckMessages, EveryEntryEndsWithAFullWidthSpaceAndHasTheSameStyle) {
    for (const char* code : {"ERR01", "ERR02", "ERR03", "ERR04", "ERR05", "ERR06"}) {
        CheckMessage m;
        ASSERT_EQ(GetCheckMessage(code, m, {"X", ""}), 0) << code;
        EXPECT_EQ(m.Message.substr(m.Message.size() - 3), "　") << code;
        EXPECT_EQ(m.style(), mbOKOnly + mbCritical + mbSystemModal) << code;
        EXPECT_EQ(m.Message.rfind(std::string("[") + code + "]", 0), 0u) << code;
    }
}

TEST(CheckMessages, UnknownCodeLeavesTheEntryUntouched) {
    CheckMessage m;
    m.Message = "kept";
    EXPECT_EQ(GetCheckMessage("ERR07", m, {"x"}), 1);
    EXPECT_EQ(GetCheckMessage("err01", m, {"x"}), 1);
    EXPECT_EQ(m.Message, "kept");
}

TEST(CheckMessages, MissingArgumentIsEmptyAndAnEntryWithoutMarkIgnoresArguments) {
    CheckMessage m;
    GetCheckMessage("ERR02", m);
    EXPECT_EQ(m.Message, "[ERR02]の入力に誤りがあります。　");
    std::string acc;
    EXPECT_EQ(InputCheckMessage("ERR04", acc, false, {"請求月", "extra"}), 0);
    EXPECT_EQ(acc, "[ERR04]請求月にシステム日付より未来の年月が入力されています。　\r\n");
}

TEST(CheckMessages, CollectThenShowOneBoxWithEveryLine) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    std::string acc;
    InputCheckMessage("ERR01", acc, false, {"名称", ""});
    InputCheckMessage("ERR05", acc, false, {"合計点数", ""});
    InputCheckMessage("ERR99", acc, false, {"ignored"});  // not in the table: nothing collected
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(InputCheckMessage("", acc, true), 2);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].title, "入力チェック");
    EXPECT_EQ(script.shown[0].style, 4112);
    EXPECT_EQ(script.shown[0].prompt,
              "[ERR01]名称は必ず入力してください。　\r\n[ERR05]合計点数の値が最大値を超えています。　\r\n");
}

TEST(CheckMessages, ShowAnswersTwoForOkAndThreeForCancelOrNo) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    std::string acc = "[ERR01]x\r\n";
    script.answer(mbCancel);
    EXPECT_EQ(InputCheckMessage("", acc, true), 3);
    script.answer(mbNo);
    EXPECT_EQ(InputCheckMessage("", acc, true), 3);
    script.answer(mbYes);
    EXPECT_EQ(InputCheckMessage("", acc, true), 2);
}
