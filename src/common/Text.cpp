#include "common/Text.h"

namespace hotaru {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of the character with 0-based index n (size() when past the end).
std::size_t OffsetOfChar(std::string_view s, std::size_t n) {
    std::size_t pos = 0;
    while (pos < s.size() && n > 0) {
        ++pos;
        while (pos < s.size() && IsContinuation(s[pos])) ++pos;
        --n;
    }
    return pos;
}

}  // namespace

std::string Trim(std::string_view text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = text.find_last_not_of(' ');
    return std::string(text.substr(b, e - b + 1));
}

std::size_t CharCount(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        if (!IsContinuation(c)) ++n;
    return n;
}

std::string LeftChars(std::string_view utf8, std::size_t n) {
    return std::string(utf8.substr(0, OffsetOfChar(utf8, n)));
}

std::string RightChars(std::string_view utf8, std::size_t n) {
    std::size_t count = CharCount(utf8);
    if (n >= count) return std::string(utf8);
    return std::string(utf8.substr(OffsetOfChar(utf8, count - n)));
}

std::string MidChars(std::string_view utf8, std::size_t start, std::size_t n) {
    if (start == 0) start = 1;
    std::size_t b = OffsetOfChar(utf8, start - 1);
    std::string_view rest = utf8.substr(b);
    if (n == std::string::npos) return std::string(rest);
    return std::string(rest.substr(0, OffsetOfChar(rest, n)));
}

std::string PadLeft(std::string_view utf8, std::size_t width) {
    std::size_t count = CharCount(utf8);
    if (count >= width) return std::string(utf8);
    return std::string(width - count, ' ') + std::string(utf8);
}

std::string PadRight(std::string_view utf8, std::size_t width) {
    std::size_t count = CharCount(utf8);
    if (count >= width) return std::string(utf8);
    return std::string(utf8) + std::string(width - count, ' ');
}

std::vector<std::string> SplitChars(std::string_view utf8) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t next = pos + 1;
        while (next < utf8.size() && IsContinuation(utf8[next])) ++next;
        out.emplace_back(utf8.substr(pos, next - pos));
        pos = next;
    }
    return out;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    return ToLowerAscii(a) == ToLowerAscii(b);
}

bool OnlyAsciiDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace hotaru
