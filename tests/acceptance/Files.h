#pragma once
// Reading back what the program wrote: the tables, Shift_JIS text decoded
// by iconv, and the text of a PDF as poppler's pdftotext extracts it.
#include <iconv.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Text.h"
#include "data/Connection.h"

namespace hotaru::acceptance {

// The rows of a table, a line each, every field as SQLite's quote() writes it.
inline std::vector<std::string> Dump(const std::string& columns, const std::string& table, const std::string& order) {
    auto rs = DB().OpenRecordset("SELECT quote(" + ReplaceAll(columns, ",", ") || '|' || quote(") + ") AS line FROM " +
                                     table + (order.empty() ? "" : " ORDER BY " + order),
                                 data::dbOpenSnapshot);
    std::vector<std::string> lines;
    for (; !rs.isEOF(); rs.MoveNext()) lines.push_back(rs["line"].str());
    return lines;
}
// T_基本 and T_データ in key order.
inline std::vector<std::string> Tables() {
    auto lines = Dump("code,recipient,name,birthday,n_insurance,n_insurance_no,n_ratio,PublicPay1,PublicPay2", "T_基本",
                      "code, recipient");
    for (auto& l : Dump("code,recipient,diagnosis,eda,total,payment,request,insurance,insurance_no,hospitalization,"
                        "ratio,treatment,PublicPay1,PublicPay2",
                        "T_データ", "code, recipient, diagnosis, eda"))
        lines.push_back(l);
    return lines;
}

// Shift_JIS (Windows code page 932) bytes as UTF-8; throws on bad bytes.
inline std::string FromCp932(std::string bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(bytes.size() * 3 + 16, '\0');
    char *in = bytes.data(), *o = out.data();
    std::size_t inLeft = bytes.size(), outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not Shift_JIS");
    out.resize(out.size() - outLeft);
    return out;
}

// The lines of a text whose every line, the last too, ends with CR LF; a
// bare CR or LF, or a last line without its end, gives a line "(framing)".
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        const bool framed = end != std::string::npos && line.find_first_of("\r\n") == std::string::npos;
        lines.push_back(framed ? line : "(framing)");
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}
inline std::string ShellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
inline bool HavePdfTools() {
    return !CommandOutput("command -v pdftotext").empty() && !CommandOutput("command -v pdfinfo").empty();
}
inline int PdfPages(const std::filesystem::path& pdf) {
    const std::string info = CommandOutput("pdfinfo " + ShellQuoted(pdf.string()) + " 2>/dev/null");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

// Removes every kind of space (ASCII, tab, CR, full-width).
inline std::string Unspaced(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 3, "\xE3\x80\x80") == 0) i += 2;
        else if (s[i] != ' ' && s[i] != '\t' && s[i] != '\r') out += s[i];
    }
    return out;
}
// The text of a PDF, page by page in layout order, without spaces, one
// string per non-empty line.
inline std::vector<std::string> PdfLines(const std::filesystem::path& pdf) {
    const std::string text =
        CommandOutput("pdftotext -layout -enc UTF-8 " + ShellQuoted(pdf.string()) + " - 2>/dev/null");
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find_first_of("\n\f", at);
        if (end == std::string::npos) end = text.size();
        if (std::string line = Unspaced(text.substr(at, end - at)); !line.empty()) lines.push_back(line);
    }
    return lines;
}
}  // namespace hotaru::acceptance
