#include "settings/ClaimMonth.h"

#include "settings/SettingsStore.h"

#include "common/Text.h"
#include "data/Connection.h"

namespace hotaru::settings {

std::optional<Date> ClaimMonthFromEra(const std::string& eraName, const std::string& year,
                                      const std::string& month) {
    auto d = ParseDate(eraName + year + "年" + month + "月");
    if (!d) return std::nullopt;
    return Date{d->year, d->month, 1};
}

bool IsBeforeFirstClaimMonth(const Date& month) {
    return FormatDate(month, "yyyy/mm") < FormatDate(Date{2007, 4, 1}, "yyyy/mm");
}

std::optional<EraMonthText> EraMonthOf(const Date& month) {
    const std::string text = FormatDate(month, "GGGEE年MM月DD日");
    if (text.empty() || !EraOf(month)) return std::nullopt;
    return EraMonthText{LeftChars(text, 2), MidChars(text, 3, 2), MidChars(text, 6, 2)};
}

std::optional<Date> StoredClaimMonth() {
    auto rs = DB().OpenRecordset("SELECT request FROM T_設定", data::dbOpenSnapshot);
    std::optional<Date> month;
    if (!rs.isEOF()) month = rs["request"].toDate();
    rs.Close();
    return month;
}

std::optional<int> EraCodeByName(const std::string& name) {
    auto rs = DB().OpenRecordset("SELECT * FROM T_元号 WHERE name=?", data::dbOpenSnapshot, {name});
    std::optional<int> code;
    if (!rs.isEOF() && !rs["code"].isNull()) code = static_cast<int>(rs["code"].toInt());
    rs.Close();
    return code;
}

void RegisterClaimMonth(const Date& month) {
    gWS.BeginTrans();
    try {
        auto rs = OpenSettingsRowForWrite();
        rs.set("request", data::Value(month));
        rs.Update();
        rs.Close();
        DB().Execute("DELETE FROM T_データ WHERE request <= ?", {data::Value(AddMonths(month, -1))});
        gWS.CommitTrans();
    } catch (...) {
        gWS.Rollback();
        throw;
    }
}

}  // namespace hotaru::settings
