#pragma once
// The input-check message table (ERR01 to ERR06) and the collect-then-show
// protocol every data-entry window follows.  No windows here: the message
// box goes through hotaru::MsgBox.
#include <cstdint>
#include <string>
#include <vector>

namespace hotaru::ui {

struct CheckMessage {
    std::string Code;
    std::int16_t Buttons = 0;
    std::int16_t Icon = 0;
    std::int16_t DefaultButton = 0;
    std::int16_t Modality = 0;
    std::string Message;  // "[" + code + "]" + the template with its arguments
    int style() const { return Buttons + Icon + DefaultButton + Modality; }
};

// Fills `entry` for `code` with the arguments put in place of the "%s" marks
// (in order; a missing argument is empty) and "%n" turned into CR LF.
// Returns 0 when found, 1 when the code is not in the table (entry untouched).
int GetCheckMessage(const std::string& code, CheckMessage& entry, const std::vector<std::string>& args = {});

// Title of the collected input-check messages.
inline constexpr const char* kInputCheckTitle = "入力チェック";

// Collect mode (show = false): appends the code's message and CR LF to `msg`;
// returns 0.  Show mode (show = true): shows the whole of `msg` in one message
// box with the style of the first collected code; returns 2 for OK or Yes and
// 3 for Cancel or No.
int InputCheckMessage(const std::string& code, std::string& msg, bool show, const std::vector<std::string>& args = {});

// The program-wide state of an input check (the control to focus is kept
// beside the windows, in InputCheck.h).
extern std::int16_t gErrFlag;  // 1 when a check failed
extern std::string gErrMsg;    // the messages collected so far

}  // namespace hotaru::ui
