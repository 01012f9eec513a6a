// Turns the statements of the program's old dialect into SQLite's:
//   DELETE * FROM t        -> DELETE FROM t
//   #2008/04/01#           -> '2008-04-01' (dates are stored as ISO text)
//   x Like '1*'            -> x GLOB '1*'  (same wildcards: * and ?)
// CStr() is a function of the connection; CR is white space to SQLite too,
// and SQLite reads nested parenthesised joins as they are.
#include <cctype>
#include <string>

#include "common/Date.h"
#include "common/Errors.h"
#include "data/Database.h"

namespace hotaru::data {

namespace {

bool isWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

bool wordIs(const std::string& s, std::size_t b, std::size_t e, const char* w) {
    std::size_t n = e - b;
    std::size_t i = 0;
    for (; i < n && w[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(s[b + i])) != w[i]) return false;
    }
    return i == n && w[i] == 0;
}

std::size_t skipSpace(const std::string& s, std::size_t i) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

}  // namespace

std::string TranslateSql(const std::string& in) {
    std::string out;
    out.reserve(in.size() + 16);
    std::size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\'') {
            // String literal, copied whole ('' stays an escaped quote).
            std::size_t j = i + 1;
            while (j < in.size()) {
                if (in[j] == '\'') {
                    if (j + 1 < in.size() && in[j + 1] == '\'') { j += 2; continue; }
                    break;
                }
                ++j;
            }
            out.append(in, i, j - i + 1);
            i = j + 1;
        } else if (c == '#') {
            std::size_t j = in.find('#', i + 1);
            if (j == std::string::npos) throw AppError(dberr::SyntaxError, "日付の構文エラーです: " + in.substr(i));
            std::string lit = in.substr(i + 1, j - i - 1);
            auto d = ParseDate(lit);
            if (!d) throw AppError(dberr::SyntaxError, "日付の構文エラーです: #" + lit + "#");
            out += '\'';
            out += d->iso();
            out += '\'';
            i = j + 1;
        } else if (isWordChar(c)) {
            std::size_t j = i;
            while (j < in.size() && isWordChar(static_cast<unsigned char>(in[j]))) ++j;
            if (wordIs(in, i, j, "like")) {
                out += "GLOB";
            } else if (wordIs(in, i, j, "delete")) {
                out.append(in, i, j - i);
                std::size_t k = skipSpace(in, j);
                if (k < in.size() && in[k] == '*') {
                    std::size_t m = skipSpace(in, k + 1);
                    std::size_t e = m;
                    while (e < in.size() && isWordChar(static_cast<unsigned char>(in[e]))) ++e;
                    if (wordIs(in, m, e, "from")) {
                        out += ' ';
                        j = m;
                    }
                }
            } else {
                out.append(in, i, j - i);
            }
            i = j;
        } else if (c == '"') {
            // A double-quoted text is a string in the old dialect.
            std::size_t j = in.find('"', i + 1);
            if (j == std::string::npos) j = in.size() - 1;
            std::string body = in.substr(i + 1, j - i - 1);
            out += '\'';
            for (char ch : body) {
                if (ch == '\'') out += '\'';
                out += ch;
            }
            out += '\'';
            i = j + 1;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

}  // namespace hotaru::data
