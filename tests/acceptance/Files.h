#pragma once
// Reading back what the program wrote: Shift_JIS text decoded by iconv, and
// the text of a PDF as poppler's pdftotext extracts it.
#include <iconv.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace hotaru::acceptance {

// Shift_JIS (Windows code page 932) bytes as UTF-8; throws on bad bytes.
inline std::string FromCp932(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    std::string out(bytes.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not Shift_JIS");
    out.resize(out.size() - outLeft);
    return out;
}

// Lines of a text whose every line, the last too, ends with CR LF.  A bare
// CR or LF, or a last line without its end, is reported in `framing`.
inline std::vector<std::string> CrLfLines(const std::string& text, std::string* framing) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            *framing = "last line without CR LF";
            lines.push_back(text.substr(at));
            break;
        }
        std::string line = text.substr(at, end - at);
        if (line.find_first_of("\r\n") != std::string::npos) *framing = "bare CR or LF in line " + std::to_string(lines.size() + 1);
        lines.push_back(line);
        at = end + 2;
    }
    return lines;
}

// Output of a command (empty when it cannot run).
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
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

// The pages of a PDF, as pdfinfo counts them.
inline int PdfPages(const std::filesystem::path& pdf) {
    const std::string info = CommandOutput("pdfinfo " + ShellQuoted(pdf.string()) + " 2>/dev/null");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

// The text of a PDF, page by page in layout order, without any kind of space,
// one string per line.
inline std::vector<std::string> PdfLines(const std::filesystem::path& pdf) {
    const std::string text = CommandOutput("pdftotext -layout -enc UTF-8 " + ShellQuoted(pdf.string()) + " - 2>/dev/null");
    std::vector<std::string> lines;
    std::string cur;
    auto flush = [&] {
        if (!cur.empty()) lines.push_back(cur);
        cur.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\f') {
            flush();
        } else if (c == ' ' || c == '\t' || c == '\r') {
        } else if (text.compare(i, 3, "\xE3\x80\x80") == 0) {  // full-width space
            i += 2;
        } else {
            cur += c;
        }
    }
    flush();
    return lines;
}

// Removes every kind of space from a text (as PdfLines does).
inline std::string Unspaced(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ' ') continue;
        if (s.compare(i, 3, "\xE3\x80\x80") == 0) {
            i += 2;
            continue;
        }
        out += s[i];
    }
    return out;
}

// True when the parts appear in the line in this order.
inline bool InOrder(const std::string& line, const std::vector<std::string>& parts) {
    std::size_t at = 0;
    for (const std::string& p : parts) {
        const std::size_t found = line.find(Unspaced(p), at);
        if (found == std::string::npos) return false;
        at = found + Unspaced(p).size();
    }
    return true;
}

}  // namespace hotaru::acceptance
