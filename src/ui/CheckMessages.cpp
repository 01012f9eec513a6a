#include "ui/CheckMessages.h"

#include <array>
#include <cctype>

#include "common/Messages.h"

namespace hotaru::ui {

std::int16_t gErrFlag = 0;
std::string gErrMsg;

namespace {

struct TableEntry {
    const char* code;
    const char* text;
};

// Every entry: OK only, stop icon, first button, system modal.
constexpr std::array<TableEntry, 6> kTable{{
    {"ERR01", "%sは必ず入力してください。　"},
    {"ERR02", "%sの入力に誤りがあります。　"},
    {"ERR03", "%sに請求月より未来の年月が入力されています。　"},
    {"ERR04", "請求月にシステム日付より未来の年月が入力されています。　"},
    {"ERR05", "%sの値が最大値を超えています。　"},
    {"ERR06", "生年月日に実診療年月より未来の年月が入力されています。　"},
}};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

int GetCheckMessage(const std::string& code, CheckMessage& entry, const std::vector<std::string>& args) {
    const TableEntry* found = nullptr;
    for (const auto& e : kTable) {
        if (code == e.code) found = &e;
    }
    if (!found) return 1;
    entry.Code = found->code;
    entry.Buttons = mbOKOnly;
    entry.Icon = mbCritical;
    entry.DefaultButton = mbDefaultButton1;
    entry.Modality = mbSystemModal;

    const std::string tmpl = found->text;
    std::string built;
    std::size_t next = 0;
    for (std::size_t i = 0; i < tmpl.size();) {
        if (tmpl[i] == '%' && i + 1 < tmpl.size() && lower(tmpl[i + 1]) == 's') {
            if (next < args.size()) built += args[next];
            ++next;
            i += 2;
        } else if (tmpl[i] == '%' && i + 1 < tmpl.size() && lower(tmpl[i + 1]) == 'n') {
            built += "\r\n";
            i += 2;
        } else {
            built += tmpl[i++];
        }
    }
    entry.Message = "[" + code + "]" + built;
    return 0;
}

int InputCheckMessage(const std::string& code, std::string& msg, bool show, const std::vector<std::string>& args) {
    try {
        if (!show) {
            CheckMessage entry;
            if (GetCheckMessage(code, entry, args) == 0) msg += entry.Message + "\r\n";
            return 0;
        }
        // The first collected message starts "[ERRnn]": its code picks the style.
        CheckMessage first;
        int style = mbCritical;
        if (msg.size() >= 6 && GetCheckMessage(msg.substr(1, 5), first) == 0) style = first.style();
        int answer = MsgBox(msg, style, kInputCheckTitle);
        if (answer == mbOK || answer == mbYes) return 2;
        if (answer == mbCancel || answer == mbNo) return 3;
        return 0;
    } catch (...) {
        // A failure here must not turn into a second error message.
        return 0;
    }
}

}  // namespace hotaru::ui
