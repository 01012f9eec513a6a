#include "submission/SubmissionFile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

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
    written_.clear();
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
    auto key = std::make_tuple(date.year, date.month, date.day, std::string(pattern));
    if (auto it = written_.find(key); it != written_.end()) return it->second;
    std::string out;
    if (auto code = codeOf(FormatDate(date, "ggg"))) out = std::to_string(*code);
    out += FormatDate(date, pattern);
    written_.emplace(std::move(key), out);
    return out;
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
    const bool digits = !recipient.empty() && recipient.size() <= 15 && OnlyAsciiDigits(recipient);
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

// Every Shift_JIS character with its UTF-8 form, asked of the converter once
// per process: a byte alone (a one-byte character, the first byte of a
// two-byte one, or neither) and every first byte with every second byte.
class SjisTable {
public:
    struct Char {
        unsigned char size = 0;  // UTF-8 bytes; 0: no character
        char utf8[3] = {};
    };

    static const SjisTable& Get() {
        static const SjisTable table;
        return table;
    }

    // The character at raw[i] and the number of bytes it takes (0: the byte
    // starts no character).
    const Char* at(std::string_view raw, std::size_t i, std::size_t& bytes) const {
        const unsigned char b = static_cast<unsigned char>(raw[i]);
        if (single_[b].size) {
            bytes = 1;
            return &single_[b];
        }
        if (leadIndex_[b] >= 0 && i + 1 < raw.size()) {
            const Char& c = pairs_[static_cast<std::size_t>(leadIndex_[b]) * 256 + static_cast<unsigned char>(raw[i + 1])];
            if (c.size) {
                bytes = 2;
                return &c;
            }
        }
        bytes = 0;
        return nullptr;
    }

private:
    SjisTable() {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("文字コード変換を開始できません: CP932 -> UTF-8");
        // 1: one character; 0: not Shift_JIS; -1: the start of a longer one.
        auto convert = [cd](const char* in, std::size_t n, Char& out) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char* src = const_cast<char*>(in);
            std::size_t srcLeft = n;
            char buf[8];
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return errno == EINVAL ? -1 : 0;
            const std::size_t made = sizeof buf - dstLeft;
            if (srcLeft != 0 || made == 0 || made > sizeof out.utf8) return 0;
            out.size = static_cast<unsigned char>(made);
            std::copy(buf, buf + made, out.utf8);
            return 1;
        };
        int leads = 0;
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            leadIndex_[b] = convert(&c, 1, single_[b]) < 0 ? static_cast<short>(leads++) : short(-1);
        }
        pairs_.resize(static_cast<std::size_t>(leads) * 256);
        for (int b = 0; b < 256; ++b) {
            if (leadIndex_[b] < 0) continue;
            for (int t = 0; t < 256; ++t) {
                const char two[2] = {static_cast<char>(b), static_cast<char>(t)};
                convert(two, 2, pairs_[static_cast<std::size_t>(leadIndex_[b]) * 256 + static_cast<std::size_t>(t)]);
            }
        }
        iconv_close(cd);
    }

    Char single_[256];
    short leadIndex_[256];
    std::vector<Char> pairs_;
};

}  // namespace

bool IsShiftJis(std::string_view raw) {
    const SjisTable& table = SjisTable::Get();
    std::size_t i = 0;
    while ((i = AsciiRunEnd(raw, i)) < raw.size()) {
        std::size_t bytes = 0;
        if (!table.at(raw, i, bytes)) return false;
        i += bytes;
    }
    return true;
}

void AppendDecoded(std::string& utf8, std::string_view raw, bool dropQuotes) {
    const SjisTable& table = SjisTable::Get();
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t run = AsciiRunEnd(raw, i);
        if (dropQuotes) {
            for (std::size_t q = i; q < run; ++q)
                if (raw[q] != '"') utf8 += raw[q];
        } else {
            utf8.append(raw, i, run - i);
        }
        i = run;
        if (i >= raw.size()) break;
        std::size_t bytes = 0;
        if (const SjisTable::Char* c = table.at(raw, i, bytes)) {
            utf8.append(c->utf8, c->size);
            i += bytes;
        } else {
            utf8 += '?';
            ++i;
        }
    }
}

void AppendCleaned(std::string& sjis, std::string_view raw) {
    const SjisTable& table = SjisTable::Get();
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t start = i;
        std::size_t bytes = 0;
        for (;;) {
            i = AsciiRunEnd(raw, i);
            if (i >= raw.size() || !table.at(raw, i, bytes)) break;
            i += bytes;
        }
        sjis.append(raw, start, i - start);
        if (i < raw.size()) {
            sjis += '?';
            ++i;
        }
    }
}

namespace {

[[noreturn]] void CannotRead(const std::filesystem::path& path, int error) {
    const bool denied = error == EACCES || error == EPERM;
    throw AppError(denied ? err::PermissionDenied : error == ENOENT ? err::FileNotFound : err::IoError,
                   "ファイル '" + path.string() + "' を読み込めません。" +
                       (denied            ? "（読み取りの権限がありません）"
                        : error == ENOENT ? "（ファイルが見つかりません）"
                        : error == EISDIR ? "（フォルダーです）"
                                          : "（ディスクまたはネットワークのエラーです）"));
}

// An open file, closed on every way out.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path) : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) CannotRead(path_, errno);
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<std::size_t>(st.st_size);
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    std::size_t size() const { return size_; }
    // Up to n bytes; 0 at the end of the file.
    std::size_t read(char* buf, std::size_t n) {
        for (;;) {
            const ssize_t got = ::read(fd_, buf, n);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) CannotRead(path_, errno);
        }
    }

private:
    std::filesystem::path path_;
    int fd_;
    std::size_t size_ = 0;
};

}  // namespace

void ForEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view line)>& fn) {
    InputFile file(path);
    std::string block(256 * 1024, '\0');
    std::string carry;             // the start of a line that goes on in the next block
    std::size_t readSoFar = 0;
    bool afterCr = false;          // the last block ended in CR: an LF first in this one belongs to it
    while (const std::size_t n = file.read(block.data(), block.size())) {
        readSoFar += n;
        std::size_t pos = 0;
        if (afterCr && block[0] == '\n') pos = 1;
        afterCr = false;
        while (pos < n) {
            std::size_t end = pos;
            while (end < n && block[end] != '\r' && block[end] != '\n') ++end;
            const std::string_view part(block.data() + pos, end - pos);
            if (end == n) {
                // A line longer than a block is gathered in room for the rest
                // of the file, made once: growing by doubling would hold it
                // twice over for a moment.
                const std::size_t needed = carry.size() + part.size();
                if (needed >= block.size() && carry.capacity() < needed)
                    carry.reserve(needed + (file.size() > readSoFar ? file.size() - readSoFar : 0));
                carry.append(part);
                break;
            }
            if (carry.empty()) {
                fn(part);
            } else {
                carry.append(part);
                fn(carry);
                carry.clear();
            }
            if (block[end] == '\n') {
                pos = end + 1;
            } else if (end + 1 < n) {
                pos = end + (block[end + 1] == '\n' ? 2 : 1);
            } else {
                afterCr = true;
                pos = n;
            }
        }
    }
    if (!carry.empty()) fn(carry);
}

int SplitRecord(std::string_view line, int expected, FieldSlots& slots) {
    // The fields' bounds first: a line with too many or too few is reported
    // by its count alone, so it is never decoded.
    std::array<std::size_t, 21> ends{};
    int count = 0;
    for (std::size_t pos = 0;;) {
        if (count == expected) return expected + 1;
        const std::size_t comma = line.find(',', pos);
        ends[static_cast<std::size_t>(count++)] = comma == std::string_view::npos ? line.size() : comma;
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    if (count != expected) return count;
    std::size_t begin = 0;
    for (int n = 1; n <= count; ++n) {
        std::string& slot = slots[static_cast<std::size_t>(n == 1 ? 0 : n)];
        slot.clear();
        const std::size_t end = ends[static_cast<std::size_t>(n - 1)];
        AppendDecoded(slot, line.substr(begin, end - begin), true);
        begin = end + 1;
    }
    return count;
}

std::vector<std::vector<std::string>> ParseSubmissionFile(const std::filesystem::path& path) {
    std::vector<std::vector<std::string>> records;
    ForEachFileLine(path, [&](std::string_view raw) {
        std::vector<std::string> fields;
        std::string text;
        AppendDecoded(text, raw, true);
        std::size_t pos = 0;
        for (;;) {
            std::size_t comma = text.find(',', pos);
            fields.push_back(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
            if (comma == std::string::npos) break;
            pos = comma + 1;
        }
        records.push_back(std::move(fields));
    });
    return records;
}

}  // namespace hotaru::submission
