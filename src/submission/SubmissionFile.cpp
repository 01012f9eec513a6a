#include "submission/SubmissionFile.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/Errors.h"
#include "common/Numeric.h"
#include "common/Sjis.h"
#include "common/Text.h"
#include "data/Connection.h"

namespace hotaru::submission {

namespace {

constexpr int kInvalidUseOfNull = 94;

std::optional<int> OptionalInt(const data::Value& v) {
    if (v.isBlank()) return std::nullopt;
    try {
        return static_cast<int>(v.toInt());
    } catch (const AppError&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<SettingsRow> ReadSettingsRow() {
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定 \r", data::dbOpenSnapshot);
    if (rs.isEOF()) return std::nullopt;
    SettingsRow row;
    row.type = OptionalInt(rs["type"]);
    row.kencd = rs["kencd"].str();
    row.tencd = rs["tencd"].str();
    row.no = rs["no"].str();
    row.eda = rs["eda"].str();
    row.name = rs["name"].trimmed();
    row.request = rs["request"].toDate();
    if (!rs["path"].isNull()) row.path = rs["path"].trimmed();
    return row;
}

Date DataMonth(const Date& claimMonth) { return AddMonths(claimMonth, -1); }

std::string BuildSubmissionFileName(const SettingsRow& row) {
    if (!row.request)
        throw AppError(kInvalidUseOfNull, "Null の使い方が不正です。（請求月が設定されていません）");
    const std::string month = FormatDate(DataMonth(*row.request), "EEMM");
    if (row.type && *row.type == 1)
        return FormatText(row.kencd, "00") + row.tencd + FormatText(row.no, "0000000") + "-1-" + month + ".CSV";
    return FormatText(row.no, "0000000") + "-" + row.eda + "-1-" + month + ".CSV";
}

std::string InstitutionNumberOf(int type, const std::string& fileName) {
    return LeftChars(fileName, type == 1 ? 10 : 9);
}

// ---- Eras ---------------------------------------------------------------

EraTable EraTable::Load() {
    EraTable t;
    auto rs = DB().OpenRecordset("SELECT * FROM T_元号 \r", data::dbOpenSnapshot);
    for (; !rs.isEOF(); rs.MoveNext()) {
        if (rs["code"].isNull()) continue;
        t.add(static_cast<int>(rs["code"].toInt()), rs["name"].str());
    }
    return t;
}

void EraTable::add(int code, std::string name) {
    byName_[name] = code;
    byCode_[code] = std::move(name);
}

std::optional<int> EraTable::codeOf(const std::string& name) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) return std::nullopt;
    return it->second;
}

std::string EraTable::nameOfDigit(const std::string& digit) const {
    if (digit.size() != 1 || digit[0] < '0' || digit[0] > '9') return {};
    auto it = byCode_.find(digit[0] - '0');
    return it == byCode_.end() ? std::string() : it->second;
}

std::string EraTable::eraDigits(const Date& date, const char* pattern) const {
    std::string out;
    if (auto code = codeOf(FormatDate(date, "ggg"))) out = std::to_string(*code);
    return out + FormatDate(date, pattern);
}

// ---- Records --------------------------------------------------------------

std::string BuildHeaderRecord(int type, const std::string& institution, const std::string& month,
                              long long count, const std::string& name) {
    std::string line;
    line.reserve(64 + name.size());
    line += type == 1 ? "1" : "3";
    line += ',';
    line += month;
    line += ',';
    line += institution;
    line += ",1,";
    line += std::to_string(count);
    line += ",\"";
    line += name;
    line += '"';
    return line;
}

namespace {

// The recipient number as nine digits ("000000000"); plain digit texts, the
// usual case, skip the number formatting.
void AppendRecipient(std::string& out, const std::string& recipient) {
    bool digits = !recipient.empty() && recipient.size() <= 15;
    for (char c : recipient) digits = digits && c >= '0' && c <= '9';
    if (!digits) {
        out += FormatText(recipient, "000000000");
        return;
    }
    std::size_t nz = recipient.find_first_not_of('0');
    std::string_view significant = nz == std::string::npos ? std::string_view() : std::string_view(recipient).substr(nz);
    if (significant.size() < 9) out.append(9 - significant.size(), '0');
    out += significant;
}

}  // namespace

void AppendDetailRecord(std::string& line, int type, const std::string& institution, const std::string& dataMonth,
                        const ClaimRow& r, const EraTable& eras) {
    auto field = [&line](const std::string& s) {
        line += s;
        line += ',';
    };
    line += type == 1 ? "2," : "4,";
    field(institution);
    if (type == 1) line += r.treatment;
    line += ',';
    field(dataMonth);
    field(r.city);
    line += "1,";
    AppendRecipient(line, r.recipient);
    line += ",\"";
    line += r.name;
    line += "\",";
    // Without a birth date there is no era to take: the lone "4" stays.
    field(r.birthday ? eras.eraDigits(*r.birthday, "EEMMDD") : std::string("4"));
    field(r.insurance);
    field(r.insuranceNo);
    field(r.hospitalization);
    field(r.ratio);
    line += ',';  // days of treatment are not submitted
    field(r.total);
    field(r.payment);
    field(r.diagnosis ? eras.eraDigits(*r.diagnosis, "EEMM") : std::string("4"));
    field(r.publicPay1);
    line += r.publicPay2;
}

std::string BuildDetailRecord(int type, const std::string& institution, const std::string& dataMonth,
                              const ClaimRow& r, const EraTable& eras) {
    std::string line;
    line.reserve(128);
    AppendDetailRecord(line, type, institution, dataMonth, r, eras);
    return line;
}

// ---- Reading ----------------------------------------------------------

namespace {

// Decodes what can be decoded; each byte that is not Shift_JIS reads "?".
std::string DecodeLenient(std::string_view raw) {
    std::string out;
    while (!raw.empty()) {
        try {
            out += FromSjis(raw);
            break;
        } catch (const SjisError& e) {
            std::size_t at = std::min(e.offset(), raw.size() - 1);
            if (at > 0) out += FromSjis(raw.substr(0, at));
            out += '?';
            raw.remove_prefix(at + 1);
        }
    }
    return out;
}

}  // namespace

namespace {

// Calls fn(begin, end) for each line of text (ends: CR LF, CR or LF).
template <class F>
void ForEachLine(const std::string& text, F fn) {
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
        fn(pos, end);
        pos = end;
        if (pos < n) pos += (text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n') ? 2 : 1;
    }
}

}  // namespace

std::vector<FileLine> SplitSubmissionLines(const std::string& bytes) {
    std::vector<FileLine> lines;
    // Bytes 0x0D and 0x0A never occur inside a two-byte Shift_JIS character,
    // so lines are the same before and after decoding.  The whole file is
    // decoded at once; only a file with bad bytes is decoded line by line.
    std::string text;
    bool whole = true;
    try {
        text = FromSjis(bytes);
    } catch (const SjisError&) {
        whole = false;
    }
    const std::string& source = whole ? text : bytes;
    ForEachLine(source, [&](std::size_t b, std::size_t e) {
        FileLine line;
        if (whole) {
            line.text.assign(source, b, e - b);
        } else {
            std::string_view raw(source.data() + b, e - b);
            try {
                line.text = FromSjis(raw);
            } catch (const SjisError&) {
                line.valid = false;
                line.text = DecodeLenient(raw);
            }
        }
        lines.push_back(std::move(line));
    });
    return lines;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    if (!f) throw std::system_error(errno ? errno : ENOENT, std::generic_category(), path.string());
    std::string bytes(static_cast<std::size_t>(f.tellg()), '\0');
    f.seekg(0);
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (f.bad() || static_cast<std::size_t>(f.gcount()) != bytes.size())
        throw std::system_error(EIO, std::generic_category(), path.string());
    return bytes;
}

int SplitRecord(const std::string& line, int expected, FieldSlots& slots) {
    // Quotes are deleted before the split; as they are never commas, the
    // commas of the line as read mark the same fields.
    std::size_t pos = 0;
    for (int n = 1;; ++n) {
        if (n > expected) return expected + 1;
        std::size_t comma = line.find(',', pos);
        std::string& slot = slots[static_cast<std::size_t>(n == 1 ? 0 : n)];
        const std::size_t end = comma == std::string::npos ? line.size() : comma;
        slot.assign(line, pos, end - pos);
        if (slot.find('"') != std::string::npos) slot.erase(std::remove(slot.begin(), slot.end(), '"'), slot.end());
        if (comma == std::string::npos) return n;
        pos = comma + 1;
    }
}

std::vector<std::vector<std::string>> ParseSubmissionFile(const std::filesystem::path& path) {
    std::vector<std::vector<std::string>> records;
    for (const auto& line : SplitSubmissionLines(ReadFileBytes(path))) {
        std::vector<std::string> fields;
        std::string text;
        for (char c : line.text)
            if (c != '"') text += c;
        std::size_t pos = 0;
        for (;;) {
            std::size_t comma = text.find(',', pos);
            fields.push_back(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
            if (comma == std::string::npos) break;
            pos = comma + 1;
        }
        records.push_back(std::move(fields));
    }
    return records;
}

}  // namespace hotaru::submission
