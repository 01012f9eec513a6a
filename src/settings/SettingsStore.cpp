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

BackupBeforeDeletion::BackupBeforeDeletion(bool needed) {
    if (!needed) return;
    try {
        folder_ = data::BackupFolderOf(DB().path());
        std::error_code ec;
        madeFolder_ = !std::filesystem::exists(folder_, ec);
        copy_ = data::WriteBackup(DB(), folder_);
    } catch (const std::exception& e) {
        ready_ = false;
        MsgBox("データベースのバックアップを作成できませんでした。\r" + ErrorDescriptionOf(e) +
                   "\r登録は行いませんでした。\r",
               mbCritical, "処理確認");
    }
}

BackupBeforeDeletion::~BackupBeforeDeletion() {
    std::error_code ec;
    if (!copy_.empty()) std::filesystem::remove(copy_, ec);
    if (madeFolder_) std::filesystem::remove(folder_, ec);  // only when empty
}

void BackupBeforeDeletion::keep() {
    if (!copy_.empty()) data::PruneBackups(folder_);
    copy_.clear();
    madeFolder_ = false;
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
