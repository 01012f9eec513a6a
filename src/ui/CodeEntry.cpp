#include "ui/CodeEntry.h"

#include <charconv>

#include "common/Text.h"

namespace hotaru::ui {

std::string CodePart(std::string_view entry) {
    auto colon = entry.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(entry.substr(0, colon));
}

std::string NamePart(std::string_view entry) {
    auto colon = entry.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(entry.substr(colon + 1));
}

std::string EntryKey(std::string_view entry) {
    auto colon = entry.find(':');
    return std::string(colon == std::string_view::npos ? entry : entry.substr(0, colon));
}

int EntryCodeNumber(std::string_view entry) {
    std::string code = Trim(CodePart(entry));
    int value = 0;
    auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), value);
    if (code.empty() || ec != std::errc() || end != code.data() + code.size()) return 0;
    return value;
}

std::string MakeEntry(long long code, std::string_view name) {
    return std::to_string(code) + ":" + std::string(name);
}

}  // namespace hotaru::ui
