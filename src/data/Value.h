#pragma once
// One field value as the record sets hand it out: Null, a whole number, a
// decimal number or a text.  Date fields hold their ISO text and know they
// are dates, so that their text form is the short date.
#include <cstdint>
#include <optional>
#include <string>

#include "common/Date.h"

namespace hotaru::data {

class Value {
public:
    enum class Kind { Null, Integer, Real, Text };

    Value() = default;  // Null
    Value(std::nullptr_t) {}
    Value(int v) : kind_(Kind::Integer), i_(v) {}
    Value(long v) : kind_(Kind::Integer), i_(v) {}
    Value(long long v) : kind_(Kind::Integer), i_(v) {}
    Value(double v) : kind_(Kind::Real), d_(v) {}
    Value(std::string v) : kind_(Kind::Text), s_(std::move(v)) {}
    Value(const char* v) : kind_(Kind::Text), s_(v) {}
    Value(const Date& d) : kind_(Kind::Text), s_(d.iso()), isDate_(true) {}

    static Value null() { return {}; }
    static Value date(std::string iso) { Value v(std::move(iso)); v.isDate_ = true; return v; }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isDate() const { return isDate_ && kind_ == Kind::Text; }
    bool isNumber() const { return kind_ == Kind::Integer || kind_ == Kind::Real; }

    // The text form (CStr): Null -> "", a date -> yyyy/mm/dd, a whole number
    // in decimal, a decimal number in its shortest exact form.
    std::string str() const;
    // Trimmed text form; Null -> "".
    std::string trimmed() const;
    // True when Null or blank after trimming spaces.
    bool isBlank() const;
    // Numbers; a numeric text converts, anything else throws a type-mismatch error.
    long long toInt() const;
    double toDouble() const;
    // A date field (or a date text); nullopt when Null or not a date.
    std::optional<Date> toDate() const;

    // Raw access.
    long long rawInt() const { return i_; }
    double rawReal() const { return d_; }
    const std::string& rawText() const { return s_; }

    bool operator==(const Value& o) const;

private:
    Kind kind_ = Kind::Null;
    long long i_ = 0;
    double d_ = 0;
    std::string s_;
    bool isDate_ = false;
};

}  // namespace hotaru::data
