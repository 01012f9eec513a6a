#include "common/Numeric.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace hotaru {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The decimal digits of |value|, rounded to 15 significant digits first as
// the old format routine did, so 2.345 reads as 2.345 and not as the binary
// 2.34499999...; intDigits holds no leading zeros, fracDigits every digit
// after the point.
struct DecimalDigits {
    std::string intDigits;
    std::string fracDigits;
};

DecimalDigits ToDecimalDigits(double value) {
    DecimalDigits d;
    value = std::fabs(value);
    if (value == 0) return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view text(buf, std::size_t(res.ptr - buf));  // d.ddddddddddddddde+XX
    std::size_t e = text.find('e');
    std::string mant;
    for (char c : text.substr(0, e))
        if (IsDigit(c)) mant += c;
    int exp10 = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exp10);
    if (exp10 >= 0) {
        std::size_t intLen = std::size_t(exp10) + 1;
        if (mant.size() < intLen) mant.append(intLen - mant.size(), '0');
        d.intDigits = mant.substr(0, intLen);
        d.fracDigits = mant.substr(intLen);
    } else {
        d.fracDigits = std::string(std::size_t(-exp10 - 1), '0') + mant;
    }
    return d;
}

// Rounds to keep decimals digits after the point, halves away from zero.
void RoundDigits(DecimalDigits& d, std::size_t decimals) {
    if (d.fracDigits.size() <= decimals) return;
    bool up = d.fracDigits[decimals] >= '5';
    d.fracDigits.resize(decimals);
    if (!up) return;
    std::string all = d.intDigits + d.fracDigits;
    int i = int(all.size()) - 1;
    for (; i >= 0; --i) {
        if (all[std::size_t(i)] == '9') {
            all[std::size_t(i)] = '0';
        } else {
            ++all[std::size_t(i)];
            break;
        }
    }
    if (i < 0) all.insert(all.begin(), '1');
    std::size_t intLen = all.size() - decimals;
    d.intDigits = all.substr(0, intLen);
    d.fracDigits = all.substr(intLen);
}

std::string Grouped(const std::string& digits) {
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// The text a number gives without a pattern (up to 15 significant digits).
std::string GeneralNumber(double value) {
    if (std::isnan(value) || std::isinf(value)) return {};
    if (value == 0) return "0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    // "1e+20" is written "1E+20" as the old conversion did.
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

struct NumberPattern {
    std::string prefix;
    std::string suffix;
    std::size_t minInt = 0;
    bool grouping = false;
    bool hasPoint = false;
    std::size_t maxFrac = 0;
    std::size_t minFrac = 0;
};

bool IsPatternChar(char c) { return c == '0' || c == '#' || c == ',' || c == '.'; }

NumberPattern ParsePattern(std::string_view pattern) {
    NumberPattern p;
    std::size_t first = 0;
    while (first < pattern.size() && !IsPatternChar(pattern[first])) ++first;
    std::size_t last = pattern.size();
    while (last > first && !IsPatternChar(pattern[last - 1])) --last;
    p.prefix = std::string(pattern.substr(0, first));
    p.suffix = std::string(pattern.substr(last));
    std::string_view body = pattern.substr(first, last - first);
    std::size_t point = body.find('.');
    std::string_view intPart = body.substr(0, point);
    bool forced = false;
    bool commaSeen = false;
    for (char c : intPart) {
        if (c == '0') forced = true;
        if (c == ',') commaSeen = true;
        if (c == '0' || c == '#') {
            if (forced) ++p.minInt;
            // A comma counts as grouping only with a digit place to its right.
            if (commaSeen) p.grouping = true;
        }
    }
    if (point != std::string_view::npos) {
        p.hasPoint = true;
        for (char c : body.substr(point + 1)) {
            if (c == '0' || c == '#') {
                ++p.maxFrac;
                if (c == '0') p.minFrac = p.maxFrac;
            }
        }
    }
    return p;
}

}  // namespace

std::optional<double> ToNumber(std::string_view text) {
    std::string_view s = TrimSpaces(text);
    std::size_t pos = 0;
    char sign = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) sign = s[pos++];

    std::string clean;
    std::size_t digits = 0;
    while (pos < s.size()) {
        if (IsDigit(s[pos])) {
            clean += s[pos++];
            ++digits;
        } else if (s[pos] == ',' && digits > 0 && pos + 1 < s.size() && IsDigit(s[pos + 1])) {
            ++pos;
        } else {
            break;
        }
    }
    if (pos < s.size() && s[pos] == '.') {
        clean += s[pos++];
        while (pos < s.size() && IsDigit(s[pos])) {
            clean += s[pos++];
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    bool negativeExponent = false;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        clean += s[pos++];
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
            negativeExponent = s[pos] == '-';
            clean += s[pos++];
        }
        std::size_t expDigits = 0;
        while (pos < s.size() && IsDigit(s[pos])) {
            clean += s[pos++];
            ++expDigits;
        }
        if (expDigits == 0) return std::nullopt;
    }
    if (!sign && pos < s.size() && (s[pos] == '+' || s[pos] == '-')) sign = s[pos++];
    if (pos != s.size()) return std::nullopt;

    double value = 0;
    auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        if (!negativeExponent) return std::nullopt;  // too large for a number
        value = 0;
    } else if (res.ec != std::errc{} || res.ptr != clean.data() + clean.size()) {
        return std::nullopt;
    }
    return sign == '-' ? -value : value;
}

bool IsNumeric(std::string_view text) { return ToNumber(text).has_value(); }

double RoundHalfEven(double value) {
    if (std::isnan(value) || std::isinf(value)) return value;
    double lower = std::floor(value);
    double diff = value - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

long long WholePart(double value) {
    if (std::isnan(value)) return 0;
    double t = std::trunc(value);
    if (t >= 9223372036854775807.0) return LLONG_MAX;
    if (t <= -9223372036854775808.0) return LLONG_MIN;
    return static_cast<long long>(t);
}

std::string FormatNumber(double value, std::string_view pattern) {
    if (pattern.empty()) return GeneralNumber(value);
    if (std::isnan(value) || std::isinf(value)) return {};
    NumberPattern p = ParsePattern(pattern);
    DecimalDigits d = ToDecimalDigits(value);
    RoundDigits(d, p.maxFrac);

    std::size_t nonZero = d.intDigits.find_first_not_of('0');
    std::string intDigits = nonZero == std::string::npos ? std::string() : d.intDigits.substr(nonZero);
    std::string frac = d.fracDigits;
    if (frac.size() < p.minFrac) frac.append(p.minFrac - frac.size(), '0');
    while (frac.size() > p.minFrac && frac.back() == '0') frac.pop_back();
    if (intDigits.size() < p.minInt) intDigits.insert(0, p.minInt - intDigits.size(), '0');

    bool anyNonZero = (intDigits + frac).find_first_not_of('0') != std::string::npos;
    std::string out;
    if (value < 0 && anyNonZero) out += '-';
    out += p.prefix;
    out += p.grouping ? Grouped(intDigits) : intDigits;
    if (p.hasPoint) {
        out += '.';
        out += frac;
    }
    out += p.suffix;
    return out;
}

std::string FormatText(std::string_view text, std::string_view pattern) {
    if (text.empty()) return {};
    std::optional<double> value = ToNumber(text);
    if (!value) return std::string(text);
    return FormatNumber(*value, pattern);
}

}  // namespace hotaru
