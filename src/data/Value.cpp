#include "data/Value.h"

#include <cmath>
#include <cstdio>

#include "common/Errors.h"
#include "common/Numeric.h"
#include "common/Text.h"

namespace hotaru::data {

namespace {
std::string realText(double d) {
    // Shortest text that reads back as the same number, as CStr writes it.
    char buf[64];
    for (int prec = 1; prec <= 17; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*g", prec, d);
        if (std::strtod(buf, nullptr) == d) break;
    }
    return buf;
}
}  // namespace

std::string Value::str() const {
    switch (kind_) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(i_);
    case Kind::Real: return realText(d_);
    case Kind::Text:
        if (isDate_) {
            if (auto d = Date::fromIso(s_)) return d->shortDate();
        }
        return s_;
    }
    return {};
}

std::string Value::trimmed() const { return Trim(str()); }

bool Value::isBlank() const { return isNull() || trimmed().empty(); }

long long Value::toInt() const {
    switch (kind_) {
    case Kind::Integer: return i_;
    case Kind::Real: return static_cast<long long>(RoundHalfEven(d_));
    case Kind::Text:
        if (auto n = ToNumber(s_)) return static_cast<long long>(RoundHalfEven(*n));
        break;
    case Kind::Null: break;
    }
    throw AppError(err::TypeMismatch, "型が一致しません。");
}

double Value::toDouble() const {
    switch (kind_) {
    case Kind::Integer: return static_cast<double>(i_);
    case Kind::Real: return d_;
    case Kind::Text:
        if (auto n = ToNumber(s_)) return *n;
        break;
    case Kind::Null: break;
    }
    throw AppError(err::TypeMismatch, "型が一致しません。");
}

std::optional<Date> Value::toDate() const {
    if (kind_ != Kind::Text) return std::nullopt;
    if (auto d = Date::fromIso(s_)) return d;
    return ParseDate(s_);
}

bool Value::operator==(const Value& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case Kind::Null: return true;
    case Kind::Integer: return i_ == o.i_;
    case Kind::Real: return d_ == o.d_;
    case Kind::Text: return s_ == o.s_;
    }
    return false;
}

}  // namespace hotaru::data
