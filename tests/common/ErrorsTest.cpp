#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Sjis.h"

using namespace hotaru;

namespace {
std::filesystem::filesystem_error FsError(int e) {
    return std::filesystem::filesystem_error("op", "/x", std::make_error_code(std::errc(e)));
}
}  // namespace

TEST(Errors, StandardErrorTextBytes) {
    EXPECT_EQ(StandardErrorText(61, "ディスクの空き容量が不足しています。"),
              "予期せぬエラーです。\r\nエラーコード： 61\r\nディスクの空き容量が不足しています。");
    EXPECT_EQ(StandardErrorText(0, ""), "予期せぬエラーです。\r\nエラーコード： 0\r\n");
    EXPECT_EQ(StandardErrorText(-2147467259, "x"), "予期せぬエラーです。\r\nエラーコード：-2147467259\r\nx");
}

TEST(Errors, NumbersAndDescriptions) {
    AppError app(err::PathNotFound, "パスが見つかりません。");
    EXPECT_EQ(ErrorNumberOf(app), 76);
    EXPECT_EQ(ErrorDescriptionOf(app), "パスが見つかりません。");

    EXPECT_EQ(ErrorNumberOf(std::bad_alloc()), err::OutOfMemory);
    EXPECT_EQ(ErrorNumberOf(SjisError("bad", "𠮷", 0)), err::TypeMismatch);
    EXPECT_EQ(ErrorDescriptionOf(SjisError("bad", "𠮷", 0)), "bad");
    EXPECT_EQ(ErrorNumberOf(std::runtime_error("boom")), err::Unexpected);
    EXPECT_EQ(ErrorDescriptionOf(std::runtime_error("boom")), "boom");

    EXPECT_EQ(ErrorNumberOf(FsError(ENOSPC)), err::DiskFull);
    EXPECT_EQ(ErrorDescriptionOf(FsError(ENOSPC)), "ディスクの空き容量が不足しています。");
    EXPECT_EQ(ErrorNumberOf(FsError(ENOENT)), err::FileNotFound);
    EXPECT_EQ(ErrorDescriptionOf(FsError(ENOENT)), "ファイルが見つかりません。");
    EXPECT_EQ(ErrorNumberOf(FsError(EACCES)), err::PermissionDenied);
    EXPECT_EQ(ErrorNumberOf(FsError(EROFS)), err::PermissionDenied);
    EXPECT_EQ(ErrorDescriptionOf(FsError(EROFS)), "書き込みできません。");
    EXPECT_EQ(ErrorNumberOf(FsError(EIO)), err::IoError);
    EXPECT_EQ(ErrorDescriptionOf(FsError(EIO)), FsError(EIO).what());
}

TEST(Errors, TrapShowsTheStandardMessage) {
    ScriptedMessages script;
    ScopedPresenter scope(script);
    EXPECT_TRUE(Trap([] {}));
    EXPECT_TRUE(script.shown.empty());
    EXPECT_FALSE(Trap([] { throw AppError(err::DiskFull, "いっぱい"); }));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].prompt, "予期せぬエラーです。\r\nエラーコード： 61\r\nいっぱい");
    EXPECT_EQ(script.shown[0].style, mbExclamation);
    EXPECT_EQ(script.shown[0].title, "エラー");
}
