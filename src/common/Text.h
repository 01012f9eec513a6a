#pragma once
// UTF-8 text helpers that count characters, not bytes.
#include <string>
#include <string_view>
#include <vector>

namespace hotaru {

// Strips ASCII spaces at both ends (full-width spaces stay).
std::string Trim(std::string_view text);
std::size_t CharCount(std::string_view utf8);
std::string LeftChars(std::string_view utf8, std::size_t n);
std::string RightChars(std::string_view utf8, std::size_t n);
// Characters from the 1-based position start, at most n of them (npos: to the end).
std::string MidChars(std::string_view utf8, std::size_t start, std::size_t n = std::string::npos);
// Filled with spaces on the left (PadLeft) or right (PadRight) to width characters;
// a longer text is returned whole.
std::string PadLeft(std::string_view utf8, std::size_t width);
std::string PadRight(std::string_view utf8, std::size_t width);
std::vector<std::string> SplitChars(std::string_view utf8);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// True when every byte is an ASCII digit (also for the empty text).
bool OnlyAsciiDigits(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace hotaru
