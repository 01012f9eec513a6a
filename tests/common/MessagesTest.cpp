// Message boxes behind their interface, the standard error message, and the
// program's folders.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/Sjis.h"

using namespace hotaru;

// Answers come from the script, then from the style's default button (one
// beyond the buttons falls back to the first); an empty title is the program's.
TEST(Messages, ScriptedAnswersThenDefaultButtons) {
    ScriptedMessages script;
    ScopedPresenter scope(script);
    script.answer(mbNo);
    script.answer(mbCancel);
    const std::pair<int, int> answers[] = {
        {mbYesNo + mbQuestion, mbNo}, {mbOKCancel, mbCancel}, {mbYesNo + mbExclamation, mbYes},
        {mbYesNo + mbDefaultButton2, mbNo}, {mbOKCancel + mbDefaultButton2, mbCancel},
        {mbYesNoCancel + mbDefaultButton3, mbCancel}, {mbAbortRetryIgnore + mbDefaultButton2, mbRetry},
        {mbRetryCancel, mbRetry}, {mbOKOnly + mbDefaultButton2 + mbCritical + mbSystemModal, mbOK}, {7, mbOK}};
    for (auto [style, answer] : answers) EXPECT_EQ(MsgBox("q", style, "確認"), answer) << style;
    MsgBox("untitled");
    ASSERT_EQ(script.shown.size(), 11u);
    EXPECT_EQ(std::to_string(script.shown[0].style) + script.shown[0].title + script.shown[10].title, "36確認Hotaru");
    EXPECT_EQ(MessageLines("a\rb\r\nc\nd\r\n\r\ne"), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

// Without a presenter (no window, no console of its own) a message is
// written to standard error, a line per line, and the default button answers.
TEST(Messages, WithoutAPresenterMessagesGoToStandardError) {
    SetMessagePresenter(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox("一行目\r二行目\r\n三行目", mbYesNo + mbDefaultButton2, "確認"), mbNo);
    Beep();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[確認]\n一行目\n二行目\n三行目\n\a");
}

// The standard message's bytes, and the number and description each kind of
// failure gives.
TEST(Errors, StandardErrorTextAndNumbers) {
    EXPECT_EQ(StandardErrorText(0, ""), "予期せぬエラーです。\r\nエラーコード： 0\r\n");
    EXPECT_EQ(StandardErrorText(-2147467259, "x"), "予期せぬエラーです。\r\nエラーコード：-2147467259\r\nx");
    auto fs = [](int e) { return std::filesystem::filesystem_error("op", "/x", std::make_error_code(std::errc(e))); };
    auto said = [](const std::exception& e) { return std::to_string(ErrorNumberOf(e)) + " " + ErrorDescriptionOf(e); };
    EXPECT_EQ(said(AppError(err::PathNotFound, "パスが見つかりません。")), "76 パスが見つかりません。");
    EXPECT_EQ(said(std::bad_alloc()), "7 メモリが不足しています。");
    EXPECT_EQ(said(SjisError("bad", "𠮷", 0)), "13 bad");
    EXPECT_EQ(said(std::runtime_error("boom")), "5 boom");
    EXPECT_EQ(said(fs(ENOSPC)), "61 ディスクの空き容量が不足しています。");
    EXPECT_EQ(said(std::system_error(ENOSPC, std::system_category())), "61 ディスクの空き容量が不足しています。");
    EXPECT_EQ(said(fs(ENOENT)), "53 ファイルが見つかりません。");
    for (int e : {EACCES, EROFS, EPERM}) EXPECT_EQ(said(fs(e)), "70 書き込みできません。") << e;
    EXPECT_EQ(said(fs(EIO)), std::string("57 ") + fs(EIO).what());
    // The trap that shows it, title and icon: the floppy check's disk-full list and the menu's failures.
}

// The program's folder is the executable's until one is set (every fixture
// sets one); without HOME the home folder comes from the password file.
TEST(Paths, ProgramDirAndHome) {
    EXPECT_TRUE(std::filesystem::exists(ProgramDir() / "hotaru_common_tests"));
    const std::string home = HomeDir();
    unsetenv("HOME");
    EXPECT_EQ(HomeDir(), std::filesystem::path(getpwuid(getuid())->pw_dir));
    setenv("HOME", home.c_str(), 1);
}

// Where the live database lives: beside the program only when the database
// files are there and the folder can be written; an installed copy (no
// files beside it) uses the user's data folder even when root runs it.
TEST(Paths, DataFolderBesideTheProgramOnlyWithItsFiles) {
    const auto dir = std::filesystem::temp_directory_path() / ("hotaru-paths-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "data");
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    SetProgramDir(dir);
    EXPECT_EQ(DataDir(), dir / "data" / "hotaru");
    std::ofstream(dir / "Medic_ins_NEW.mdb") << "x";
    EXPECT_EQ(DataDir(), dir);
    SetProgramDir({});
    ::unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(dir);
}
