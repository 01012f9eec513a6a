#pragma once
// The numeric-text test, number formats and rounding shared by every window.
#include <optional>
#include <string>
#include <string_view>

namespace hotaru {

// True when the text reads as a number the way the windows have always
// accepted one: surrounding spaces, a leading or trailing sign, "," digit
// grouping, one decimal point and an exponent are allowed; an empty text,
// "&H" forms and full-width digits are not.
bool IsNumeric(std::string_view text);
// The value of a text that passes IsNumeric.
std::optional<double> ToNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even one (2.5 -> 2).
double RoundHalfEven(double value);
// Whole-number part (truncation toward zero).
long long WholePart(double value);

// Number formats with "0" (forced digit), "#" (optional digit), "," (digit
// grouping) and "." (decimal point), as "00", "000000000", "#,###,###,###",
// "###,###,###" and "#.00".  Zero under an all-"#" pattern gives "".
std::string FormatNumber(double value, std::string_view pattern);
// Formats a text: a numeric text is formatted as its number, anything else
// is returned unchanged; an empty text stays empty.
std::string FormatText(std::string_view text, std::string_view pattern);

}  // namespace hotaru
