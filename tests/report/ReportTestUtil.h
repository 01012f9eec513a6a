#pragma once
// Helpers for the painted list.
#include <QString>
#include <string>

#include "support/TestSupport.h"

namespace hotaru::test {

// Pages of a PDF written by Qt: its page objects ("/Type /Page", not "/Pages").
inline int PdfPageCount(const std::filesystem::path& pdf) {
    std::string bytes = ReadFile(pdf);
    const std::string key = "/Type /Page";
    int n = 0;
    for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1)) {
        char next = at + key.size() < bytes.size() ? bytes[at + key.size()] : ' ';
        if (next != 's') ++n;
    }
    return n;
}

inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

}  // namespace hotaru::test
