// The window-free rules the data-entry windows share.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "ui/CheckDigit.h"
#include "ui/CheckMessages.h"
#include "ui/CodeEntry.h"
#include "ui/TabOrder.h"

using namespace hotaru;
using namespace hotaru::ui;

TEST(CheckDigit, DoubledDigitsAddBothFiguresOverTheLastEleven) {
    const std::pair<const char*, const char*> cases[] = {
        {"1234567", "4"},        // 2*7 -> 1+4, 6, 2*5 -> 1+0, 4, 2*3, 2, 2*1: sum 26
        {"7992739871", "3"},     // the textbook Luhn number 79927398713
        {"", "0"}, {"5", "9"},
        {"19", "0"},             // sum 10 gives 0, not 10
        {"46100012345", "9"},    // an institution number of kind one
        {"00001230", "2"}, {"007992739871", "3"},  // leading zeros add nothing
        {"9876512345678901", "5"},  // only the last eleven
        {"50000000000", "9"},    // the eleventh from the right is doubled
        {"12a4", "7"},     {"１２", "0"},  // non-digits count zero
    };
    for (const auto& [digits, expected] : cases) EXPECT_EQ(ComputeCheckDigit(digits), expected) << digits;
}

TEST(CodeEntry, SplitAtTheFirstColonOnly) {
    // entry -> code|name|key|number
    const std::pair<const char*, const char*> cases[] = {
        {"3:N", "3|N|3|3"},           {"12:a:b", "12|a:b|12|12"}, {"noColon", "||noColon|0"},
        {"10:国保", "10|国保|10|10"}, {":国保", "|国保||0"},      {"x1:国保", "x1|国保|x1|0"},
    };
    for (const auto& [entry, expected] : cases)
        EXPECT_EQ(CodePart(entry) + "|" + NamePart(entry) + "|" + EntryKey(entry) + "|" + std::to_string(EntryCodeNumber(entry)),
                  expected) << entry;
    EXPECT_EQ(MakeEntry(3, "N"), "3:N");
}

TEST(TabOrder, WrapsAfterTheLastAndSkipsWhatCannotTakeTheFocus) {
    struct Case { int from; const char* focusable; int expected; };  // one 1/0 per slot
    for (const Case& c : {Case{1, "11011", 3}, {4, "11011", 0}, {-1, "11011", 0}, {3, "0100", 1},
                          {0, "000", -1}, {0, "", -1}, {0, "1", 0}}) {
        const std::string can = c.focusable;
        EXPECT_EQ(NextTabStop(c.from, int(can.size()), [&](int i) { return can[std::size_t(i)] == '1'; }), c.expected)
            << c.from << " " << can;
    }
}

// Each code's text with its argument (a missing one empty, extra ones
// ignored) and the style of the box; a code not in the table leaves the
// entry untouched.
TEST(CheckMessages, EveryEntryWithItsArgumentsAndStyle) {
    std::string all;
    for (const char* code : {"ERR01", "ERR02", "ERR03", "ERR04", "ERR05", "ERR06", "ERR07", "err01"}) {
        CheckMessage m;
        m.Message = "kept";
        const int found = GetCheckMessage(code, m, {"年", "extra"});
        all += std::to_string(found) + " " + m.Code + " " + std::to_string(m.style()) + " " + m.Message + "\n";
    }
    EXPECT_EQ(all, "0 ERR01 4112 [ERR01]年は必ず入力してください。　\n"
                   "0 ERR02 4112 [ERR02]年の入力に誤りがあります。　\n"
                   "0 ERR03 4112 [ERR03]年に請求月より未来の年月が入力されています。　\n"
                   "0 ERR04 4112 [ERR04]請求月にシステム日付より未来の年月が入力されています。　\n"
                   "0 ERR05 4112 [ERR05]年の値が最大値を超えています。　\n"
                   "0 ERR06 4112 [ERR06]生年月日に実診療年月より未来の年月が入力されています。　\n"
                   "1  0 kept\n1  0 kept\n");
    CheckMessage m;
    GetCheckMessage("ERR02", m);
    EXPECT_EQ(m.Message, "[ERR02]の入力に誤りがあります。　");
}

// The collected lines go out in one box (the windows' refused rows show
// it); its answer: 2 for OK or Yes, 3 for Cancel or No.
TEST(CheckMessages, AnswerOfTheCollectedBox) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    std::string acc;
    InputCheckMessage("ERR01", acc, false, {"名称", ""});
    for (auto [answer, expected] : {std::pair{mbCancel, 3}, {mbNo, 3}, {mbYes, 2}}) {
        script.answer(answer);
        EXPECT_EQ(InputCheckMessage("", acc, true), expected) << answer;
    }
}
