#include "app/Startup.h"

#include <optional>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Paths.h"
#include "data/Connection.h"

namespace hotaru {

namespace {
std::optional<DatabaseFiles> gFiles;

void closeDb() {
    if (gDB) {
        gDB->Close();
        gDB.reset();
    }
}

// Copies the rows of one table field by field, for the fields both layouts have.
void copyRows(data::Database& from, data::Database& to, const std::string& table,
              const std::vector<std::string>& fields) {
    auto src = from.OpenRecordset("select * from " + table, data::dbOpenSnapshot);
    auto dst = to.OpenRecordset("select * from " + table, data::dbOpenDynaset);
    while (!src.isEOF()) {
        dst.AddNew();
        for (const auto& f : fields) {
            if (src.hasField(f)) dst.set(f, src[f]);
        }
        dst.Update();
        src.MoveNext();
    }
}
}  // namespace

DatabaseFiles CurrentDatabaseFiles() {
    if (gFiles) return *gFiles;
    auto dir = DataDir();
    return {dir / kLiveName, TemplateDatabase(), dir / kBackupName};
}

void UseLiveDatabase(const std::filesystem::path& live) {
    auto abs = std::filesystem::absolute(live);
    auto dir = abs.parent_path();
    auto templ = dir / kTemplateName;
    if (!std::filesystem::exists(templ)) templ = TemplateDatabase();
    gFiles = DatabaseFiles{abs, templ, dir / kBackupName};
}

void ResetDatabaseFiles() { gFiles.reset(); }

bool ConnectDatabase() {
    return Trap([] {
        closeDb();
        gDB = data::Database::Open(CurrentDatabaseFiles().live);
    });
}

bool DisconnectDatabase() {
    return Trap([] {
        gWS.Rollback();
        closeDb();
    });
}

namespace {
enum class Upgrade { Done, Failed, ReconnectFailed };
Upgrade upgradeDatabase();
}  // namespace

bool UpgradeDatabase() { return upgradeDatabase() == Upgrade::Done; }

namespace {
Upgrade upgradeDatabase() {
    const DatabaseFiles files = CurrentDatabaseFiles();
    const auto work = std::filesystem::path(files.live.string() + ".upgrade");
    bool ok = Trap([&] {
        closeDb();
        std::filesystem::copy_file(files.live, files.backup, std::filesystem::copy_options::overwrite_existing);
        // The new file is built beside the live one and put in place only when
        // complete, so a failure leaves the live file as it was.
        std::filesystem::remove(work);
        std::filesystem::copy_file(files.templ, work);
        {
            auto fresh = data::Database::Open(work);
            auto old = data::Database::Open(files.backup);
            fresh->BeginTrans();
            fresh->Execute("DELETE * FROM T_設定");
            auto oldSet = old->OpenRecordset("select * from T_設定", data::dbOpenSnapshot);
            auto newSet = fresh->OpenRecordset("select * from T_設定", data::dbOpenDynaset);
            while (!oldSet.isEOF()) {
                newSet.AddNew();
                for (const char* f : {"type", "kencd", "tencd", "no", "eda", "name", "insurance", "hospitalization",
                                      "treatment", "request", "path"}) {
                    if (oldSet.hasField(f)) newSet.set(f, oldSet[f]);
                }
                newSet.set("Ver", data::Value("1.10"));
                newSet.Update();
                oldSet.MoveNext();
            }
            fresh->Execute("DELETE * FROM T_基本");
            copyRows(*old, *fresh, "T_基本",
                     {"code", "recipient", "name", "birthday", "n_insurance", "n_insurance_no", "n_ratio"});
            // Claim rows are kept too: the claim table's layout did not change.
            fresh->Execute("DELETE * FROM T_データ");
            copyRows(*old, *fresh, "T_データ", fresh->TableFields("T_データ"));
            fresh->CommitTrans();
            fresh->Close();
            old->Close();
        }
        std::filesystem::rename(work, files.live);
    });
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(work, ec);
        return Upgrade::Failed;
    }
    if (!ConnectDatabase()) {
        MsgBox("データベースの接続に失敗しました。\r", mbCritical, "処理確認");
        return Upgrade::ReconnectFailed;
    }
    return Upgrade::Done;
}
}  // namespace

void PatchCityMaster() {
    bool began = false;
    bool ok = Trap([&] {
        auto& db = DB();
        auto rs = db.OpenRecordset("SELECT * FROM T_市町村", data::dbOpenDynaset);
        if (!rs.isEOF()) rs.MoveLast();
        if (rs.RecordCount() != 49) return;
        // The two rows and the version change are one unit: a failure never
        // leaves 50 rows behind, which the patch would not complete later.
        gWS.BeginTrans();
        began = true;
        rs.AddNew();
        rs.set("code", 50);
        rs.set("name", "屋久島町");
        rs.Update();
        rs.AddNew();
        rs.set("code", 51);
        rs.set("name", "南九州市");
        rs.Update();
        auto settings = db.OpenRecordset("SELECT * FROM T_設定", data::dbOpenDynaset);
        if (!settings.isEOF()) {
            settings.Edit();
            settings.set("Ver", 1.01);
            settings.Update();
        }
        gWS.CommitTrans();
        began = false;
    });
    if (!ok && began) gWS.Rollback();
}

bool OpenDatabaseAtStartup() {
    // Installed into a read-only place, the program keeps its live file in the
    // user's data folder and makes it from the shipped template on first start.
    if (!gFiles && UsesUserDataDir()) {
        auto files = CurrentDatabaseFiles();
        std::error_code ec;
        if (!std::filesystem::exists(files.live, ec) && std::filesystem::exists(files.templ, ec)) {
            std::filesystem::copy_file(files.templ, files.live, ec);
        }
    }
    if (!ConnectDatabase()) {
        MsgBox("データベースの接続に失敗しました。\r", mbCritical, "処理確認");
        return false;
    }
    int fields = 0;
    if (!Trap([&] { fields = DB().OpenRecordset("SELECT * FROM T_基本", data::dbOpenSnapshot).FieldCount(); })) {
        MsgBox("データベースの接続に失敗しました。\r", mbCritical, "処理確認");
        return false;
    }
    if (fields == 7) {
        // A failed reconnection has shown its own message already.
        Upgrade result = upgradeDatabase();
        if (result == Upgrade::Failed)
            MsgBox("データベースのアップデートに失敗しました。\r", mbCritical, "処理確認");
        if (result != Upgrade::Done) return false;
    }
    return true;
}

std::string VersionLabelText() {
    std::string text;
    Trap([&] {
        auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenSnapshot);
        if (rs.isEOF() || rs["Ver"].isBlank()) return;
        text = "Ver." + FormatText(rs["Ver"].trimmed(), "#.00");
    });
    return text;
}

}  // namespace hotaru
