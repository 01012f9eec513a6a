#pragma once
// The program's error numbers and the standard error message.
#include <stdexcept>
#include <string>

namespace hotaru {

// An error with the number and description the standard message shows.
class AppError : public std::runtime_error {
public:
    AppError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }
private:
    int number_;
};

// Error numbers used across the program.
namespace err {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathNotFound = 76;
inline constexpr int IoError = 57;
inline constexpr int Unexpected = 5;
}

// "予期せぬエラーです。" CR LF "エラーコード：" + number (a leading space for a
// non-negative number) CR LF description.
std::string StandardErrorText(int number, const std::string& description);
// The number and description of any exception (AppError keeps its own).
int ErrorNumberOf(const std::exception& e);
std::string ErrorDescriptionOf(const std::exception& e);
// Shows the standard error message (exclamation icon, title "エラー").
void ShowStandardError(const std::exception& e);

// Runs f inside the standard error trap: an exception shows the standard
// error message and the result is false.
template <class F>
bool Trap(F&& f) {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        ShowStandardError(e);
        return false;
    }
}

}  // namespace hotaru
