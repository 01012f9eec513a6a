#include "app/SettingsCheck.h"

#include <string>

#include "common/Messages.h"
#include "data/Connection.h"

namespace hotaru {

namespace {
void remind(const std::string& lines) { MsgBox(lines, mbExclamation, "処理確認"); }
}  // namespace

bool RemindMissingSettings() {
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenSnapshot);
    if (rs.isEOF()) {
        remind(std::string(kClaimMonthReminder) + "\r" + kSettingsReminder + "\r");
        return true;
    }
    bool reminded = false;
    // A missing claim month and an incomplete identity give two messages.
    if (rs["request"].isBlank()) {
        remind(std::string(kClaimMonthReminder) + "\r");
        reminded = true;
    }
    const std::string type = rs["type"].trimmed();
    bool incomplete = rs["type"].isBlank() || rs["no"].isBlank() || rs["name"].isBlank() || rs["insurance"].isBlank();
    if (!incomplete && type == "1") incomplete = rs["kencd"].isBlank() || rs["tencd"].isBlank();
    if (!incomplete && type == "2") incomplete = rs["eda"].isBlank();
    if (incomplete) {
        remind(std::string(kSettingsReminder) + "\r");
        reminded = true;
    }
    return reminded;
}

}  // namespace hotaru
