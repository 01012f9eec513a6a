#include "settings/SettingsStore.h"

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "data/Backup.h"
#include "data/Connection.h"

namespace hotaru::settings {

using data::Value;

std::optional<StoredSettings> ReadStoredSettings() {
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenSnapshot);
    if (rs.isEOF()) {
        rs.Close();
        return std::nullopt;
    }
    StoredSettings s{rs["type"], rs["kencd"], rs["tencd"], rs["no"], rs["eda"],
                     rs["name"], rs["insurance"], rs["hospitalization"], rs["treatment"]};
    rs.Close();
    return s;
}

data::Recordset OpenSettingsRowForWrite() {
    const long long count = DB().Scalar("SELECT count(*) as cnt FROM T_設定").toInt();
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenDynaset);
    if (count == 0) {
        rs.AddNew();
    } else {
        rs.MoveFirst();
        rs.Edit();
    }
    return rs;
}

void RegisterInstitution(const InstitutionRow& row, bool deleteClaimRows) {
    gWS.BeginTrans();
    try {
        if (deleteClaimRows) DB().Execute("DELETE FROM T_データ");
        auto rs = OpenSettingsRowForWrite();
        rs.set("kencd", row.kencd);
        rs.set("tencd", row.tencd);
        rs.set("eda", row.eda);
        rs.set("type", row.type);
        rs.set("no", row.no);
        rs.set("name", row.name);
        rs.set("insurance", row.insurance);
        rs.set("hospitalization", row.hospitalization ? Value(*row.hospitalization) : Value());
        rs.set("treatment", row.treatment ? Value(*row.treatment) : Value());
        rs.Update();
        rs.Close();
        gWS.CommitTrans();
    } catch (...) {
        gWS.Rollback();
        throw;
    }
}

bool BackupBeforeDeletion() {
    try {
        const auto folder = data::BackupFolderOf(DB().path());
        data::WriteBackup(DB(), folder);
        data::PruneBackups(folder);
        return true;
    } catch (const std::exception& e) {
        MsgBox("データベースのバックアップを作成できませんでした。\r" + ErrorDescriptionOf(e) +
                   "\r登録は行いませんでした。\r",
               mbCritical, "処理確認");
        return false;
    }
}

std::string CheckDigitSource(const std::string& pref, const std::string& mark, const std::string& no) {
    return pref + mark + "00" + LeftChars(no, 6);
}

std::string PrefixPattern(const std::string& typed) {
    std::string out;
    for (char c : typed) {
        if (c == '*' || c == '?' || c == '[') {
            out += '[';
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out + "*";
}

}  // namespace hotaru::settings
