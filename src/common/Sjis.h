#pragma once
// Shift_JIS (code page 932) for the files the federation reads.
#include <stdexcept>
#include <string>
#include <string_view>

namespace hotaru {

// A character that has no Shift_JIS form, or bytes that are not Shift_JIS.
class SjisError : public std::runtime_error {
public:
    SjisError(const std::string& what, std::string character, std::size_t offset)
        : std::runtime_error(what), character_(std::move(character)), offset_(offset) {}
    const std::string& character() const { return character_; }
    std::size_t offset() const { return offset_; }
private:
    std::string character_;
    std::size_t offset_;
};

// Input methods on Linux type some characters as code points that CP932
// lacks (U+301C, U+2212, U+2016, U+2014, U+00A2, U+00A3, U+00AC); they are
// replaced by the forms Windows uses (U+FF5E, U+FF0D, U+2225, U+2015,
// U+FFE0, U+FFE1, U+FFE2).
std::string NormalizeForSjis(std::string_view utf8);

// UTF-8 -> CP932; throws SjisError naming the first character without a form.
std::string ToSjis(std::string_view utf8);
// The same, appended to out (left as it was on a throw).
void AppendSjis(std::string& out, std::string_view utf8);
// Where the run of ASCII bytes starting at i ends (bytes below 0x80 are
// their own character in UTF-8 and in CP932 alike).
std::size_t AsciiRunEnd(std::string_view s, std::size_t i);
// CP932 -> UTF-8; throws SjisError on bytes that are not CP932.
std::string FromSjis(std::string_view sjis);

// True when every character takes two bytes in CP932 (empty text: true).
// A character without a CP932 form is not full-width.
bool IsFullWidth(std::string_view utf8);

}  // namespace hotaru
