#include <gtest/gtest.h>

#include <functional>

#include "ui/CodeEntry.h"
#include "ui/TabOrder.h"

using namespace hotaru::ui;

TEST(CodeEntry, SplitAtTheFirstColonOnly) {
    EXPECT_EQ(CodePart("3:N"), "3");
    EXPECT_EQ(NamePart("3:N"), "N");
    EXPECT_EQ(NamePart("12:a:b"), "a:b");
    EXPECT_EQ(CodePart("noColon"), "");
    EXPECT_EQ(NamePart("noColon"), "");
    EXPECT_EQ(EntryKey("noColon"), "noColon");
    EXPECT_EQ(EntryKey("10:国保"), "10");
}

TEST(CodeEntry, CodeNumberNeedsACodeBeforeTheColon) {
    EXPECT_EQ(EntryCodeNumber("2:国保"), 2);
    EXPECT_EQ(EntryCodeNumber(":国保"), 0);
    EXPECT_EQ(EntryCodeNumber("国保"), 0);
    EXPECT_EQ(EntryCodeNumber("x1:国保"), 0);
    EXPECT_EQ(MakeEntry(3, "N"), "3:N");
}

TEST(TabOrder, WrapsAfterTheLastAndSkipsWhatCannotTakeTheFocus) {
    // Slots 0..4; 2 disabled.
    auto can = [](int i) { return i != 2; };
    EXPECT_EQ(NextTabStop(1, 5, can), 3);
    EXPECT_EQ(NextTabStop(4, 5, can), 0);
    EXPECT_EQ(NextTabStop(-1, 5, can), 0);  // no active control
    EXPECT_EQ(NextTabStop(3, 4, [](int i) { return i == 1; }), 1);
}

TEST(TabOrder, NothingFocusableEndsTheSearch) {
    EXPECT_EQ(NextTabStop(0, 3, [](int) { return false; }), -1);
    EXPECT_EQ(NextTabStop(0, 0, [](int) { return true; }), -1);
    // A single field keeps the focus.
    EXPECT_EQ(NextTabStop(0, 1, [](int) { return true; }), 0);
}
