#include "ui/CheckDigit.h"

namespace hotaru::ui {

std::string ComputeCheckDigit(std::string_view digits) {
    int sum = 0;
    // Position 1 is the rightmost character; positions beyond 11 are ignored.
    for (int pos = 1; pos <= 11; ++pos) {
        int value = 0;
        if (static_cast<std::size_t>(pos) <= digits.size()) {
            char c = digits[digits.size() - static_cast<std::size_t>(pos)];
            if (c >= '0' && c <= '9') value = c - '0';
        }
        if (pos % 2 == 1) {
            int doubled = value * 2;  // both digits of the product count: 7 adds 1 + 4
            sum += doubled / 10 + doubled % 10;
        } else {
            sum += value;
        }
    }
    return std::string(1, static_cast<char>('0' + (10 - sum % 10) % 10));
}

}  // namespace hotaru::ui
