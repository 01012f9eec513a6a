#pragma once
// The modulus-10 check digit of institution, recipient and insurer numbers.
#include <string>
#include <string_view>

namespace hotaru::ui {

// The check digit of a number given without its check digit: weights 2 and 1
// from the right (the Luhn scheme).  Only the last eleven characters take
// part; a character that is not a digit counts 0.  Returns one digit.
std::string ComputeCheckDigit(std::string_view digits);

}  // namespace hotaru::ui
