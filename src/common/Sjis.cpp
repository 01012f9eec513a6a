#include "common/Sjis.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/Text.h"

namespace hotaru {
namespace {

// One descriptor per direction and thread: opening one costs far more than a
// short conversion, and a descriptor must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("文字コード変換を開始できません: ") + from + " -> " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in; on failure returns false with failedAt set to the
    // offset of the first byte that could not be converted.
    bool convert(std::string_view in, std::string& out, std::size_t& failedAt) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        while (srcLeft > 0) {
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            if (r != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                std::size_t used = out.size() - dstLeft;
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = out.size() - used;
                continue;
            }
            failedAt = in.size() - srcLeft;
            return false;
        }
        out.resize(out.size() - dstLeft);
        return true;
    }

private:
    iconv_t cd_;
};

Converter& ToSjisConverter() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

Converter& FromSjisConverter() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

bool IsAscii(std::string_view s) { return AsciiRunEnd(s, 0) == s.size(); }

std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

struct Replacement {
    std::string_view from;
    std::string_view to;
};

constexpr Replacement kReplacements[] = {
    {"\u301C", "\uFF5E"},  // wave dash -> full-width tilde
    {"\u2212", "\uFF0D"},  // minus sign -> full-width hyphen-minus
    {"\u2016", "\u2225"},  // double vertical line -> parallel to
    {"\u2014", "\u2015"},  // em dash -> horizontal bar
    {"\u00A2", "\uFFE0"},  // cent sign
    {"\u00A3", "\uFFE1"},  // pound sign
    {"\u00AC", "\uFFE2"},  // not sign
};

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char buf[8];
        std::snprintf(buf, sizeof buf, out.empty() ? "0x%02X" : " 0x%02X", c);
        out += buf;
    }
    return out;
}

}  // namespace

std::string NormalizeForSjis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t len = Utf8Length(static_cast<unsigned char>(utf8[pos]));
        std::string_view ch = utf8.substr(pos, len);
        std::string_view repl = ch;
        if (len > 1) {
            for (const Replacement& r : kReplacements) {
                if (ch == r.from) {
                    repl = r.to;
                    break;
                }
            }
        }
        out.append(repl);
        pos += ch.size();
    }
    return out;
}

namespace {

// The whole text through the converter; on failure, the character that has
// no form is found and named.
std::string ToSjisThroughConverter(std::string_view utf8) {
    const std::string normalized = NormalizeForSjis(utf8);
    std::string out;
    std::size_t failedAt = 0;
    if (ToSjisConverter().convert(normalized, out, failedAt)) return out;

    // Normalising replaces characters one for one, so the failing character
    // has the same index in the caller's text.
    std::size_t index = 0;
    for (std::size_t at = 0; at < failedAt; ++index)
        at += Utf8Length(static_cast<unsigned char>(normalized[at]));
    std::size_t offset = 0;
    for (std::size_t i = 0; i < index && offset < utf8.size(); ++i)
        offset += Utf8Length(static_cast<unsigned char>(utf8[offset]));
    std::size_t len = Utf8Length(static_cast<unsigned char>(utf8[offset]));
    std::string character(utf8.substr(offset, len));
    bool validUtf8 = character.size() == len;
    for (std::size_t i = 1; validUtf8 && i < character.size(); ++i)
        validUtf8 = (static_cast<unsigned char>(character[i]) & 0xC0) == 0x80;
    if (!validUtf8 || (len == 1 && static_cast<unsigned char>(character[0]) >= 0x80)) {
        throw SjisError("文字コードが正しくありません（" + std::to_string(offset) + "バイト目: " +
                            HexBytes(character) + "）",
                        HexBytes(character), offset);
    }
    throw SjisError("Shift_JISで表せない文字があります（" + std::to_string(offset) + "バイト目: " +
                        character + "）",
                    character, offset);
}

// A well-formed two- or three-byte UTF-8 sequence at pos: its length, with
// the character in cp.  0 for anything else, which is left to the converter.
std::size_t DecodeBmp(std::string_view s, std::size_t pos, char32_t& cp) {
    auto at = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    auto continues = [&](std::size_t i) { return (at(i) & 0xC0) == 0x80; };
    const unsigned lead = at(pos);
    if ((lead & 0xE0) == 0xC0 && continues(pos + 1)) {
        cp = (lead & 0x1F) << 6 | (at(pos + 1) & 0x3F);
        return cp >= 0x80 ? 2 : 0;
    }
    if ((lead & 0xF0) == 0xE0 && continues(pos + 1) && continues(pos + 2)) {
        cp = (lead & 0x0F) << 12 | (at(pos + 1) & 0x3F) << 6 | (at(pos + 2) & 0x3F);
        return cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? 3 : 0;
    }
    return 0;
}

// The CP932 form of each character of the Basic Multilingual Plane (CP932
// has none beyond it), asked of the converter the first time the character
// is met and then remembered: a month's file holds hundreds of thousands of
// characters, but only a few hundred different ones.
class SjisForms {
public:
    // Appends the form of the character cp, whose UTF-8 bytes are utf8;
    // false when it has none.
    bool append(char32_t cp, std::string_view utf8, std::string& out) {
        std::uint16_t& form = forms_[cp];
        if (form == kNotAsked) form = ask(utf8);
        if (form == kNoForm) return false;
        if (form > 0xFF) out += static_cast<char>(form >> 8);
        out += static_cast<char>(form & 0xFF);
        return true;
    }

private:
    // No character outside ASCII has the single byte 0, and 0xFFFF is no
    // CP932 character.
    static constexpr std::uint16_t kNotAsked = 0, kNoForm = 0xFFFF;

    static std::uint16_t ask(std::string_view utf8) {
        std::string form;
        std::size_t failedAt = 0;
        if (!ToSjisConverter().convert(NormalizeForSjis(utf8), form, failedAt) || form.empty() || form.size() > 2)
            return kNoForm;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(form[i]); };
        return static_cast<std::uint16_t>(form.size() == 1 ? byte(0) : byte(0) << 8 | byte(1));
    }

    std::vector<std::uint16_t> forms_ = std::vector<std::uint16_t>(0x10000, kNotAsked);
};

}  // namespace

std::size_t AsciiRunEnd(std::string_view s, std::size_t i) {
    // Eight bytes at a time, then byte by byte.
    while (s.size() - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ULL) break;
        i += 8;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

void AppendSjis(std::string& out, std::string_view utf8) {
    thread_local SjisForms forms;
    const std::size_t start = out.size();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t ascii = pos;
        pos = AsciiRunEnd(utf8, pos);
        out.append(utf8.substr(ascii, pos - ascii));
        if (pos == utf8.size()) break;
        char32_t cp = 0;
        const std::size_t len = DecodeBmp(utf8, pos, cp);
        // A character without a form, or bytes that are not UTF-8: the
        // converter finds and names the culprit.
        if (len == 0 || !forms.append(cp, utf8.substr(pos, len), out)) {
            out.resize(start);
            out += ToSjisThroughConverter(utf8);
            return;
        }
        pos += len;
    }
}

std::string ToSjis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendSjis(out, utf8);
    return out;
}

std::string FromSjis(std::string_view sjis) {
    if (IsAscii(sjis)) return std::string(sjis);
    std::string out;
    std::size_t failedAt = 0;
    if (FromSjisConverter().convert(sjis, out, failedAt)) return out;
    unsigned char lead = static_cast<unsigned char>(sjis[failedAt]);
    bool twoByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    std::string bytes(sjis.substr(failedAt, twoByte ? 2 : 1));
    std::string hex = HexBytes(bytes);
    throw SjisError("Shift_JISとして読めないバイトがあります（" + std::to_string(failedAt) + "バイト目: " +
                        hex + "）",
                    hex, failedAt);
}

bool IsFullWidth(std::string_view utf8) {
    if (utf8.empty()) return true;
    const std::string normalized = NormalizeForSjis(utf8);
    std::string out;
    std::size_t failedAt = 0;
    if (!ToSjisConverter().convert(normalized, out, failedAt)) return false;
    // CP932 has no form longer than two bytes, so the lengths decide.
    return out.size() == 2 * CharCount(normalized);
}

}  // namespace hotaru
