#include "app/Startup.h"

#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Paths.h"
#include "common/Text.h"
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

// One old row as the new layout takes it: every field converted to its new
// type.  A value that is empty (Null, or only spaces) in a field that is not
// text is carried as Null, since every field of the layout may be Null; a
// value that does not fit stops the upgrade with a message that names the
// table, the row's key and the field, so that the clinic can mend it.
std::vector<data::Value> convertRow(data::Database& db, data::Recordset& dst, const data::Recordset& src,
                                    const std::string& table, const std::vector<std::string>& fields,
                                    const std::string& key) {
    std::vector<data::Value> row;
    dst.AddNew();
    for (const auto& f : fields) {
        data::Value v = src.hasField(f) ? src[f] : data::Value();
        const bool text = ToLowerAscii(db.FieldType(table, f)).find("text") != std::string::npos;
        if (v.isBlank() && !text) v = data::Value();
        try {
            dst.set(f, v);
        } catch (const AppError& e) {
            dst.CancelUpdate();
            throw AppError(e.number(), table + " の行（" + key + "）の項目 " + f + " の値「" + v.str() +
                                           "」を移せません。" + e.description());
        }
        row.push_back(dst[f]);
    }
    dst.CancelUpdate();
    return row;
}

void addRow(data::Recordset& dst, const std::vector<std::string>& fields, const std::vector<data::Value>& row) {
    dst.AddNew();
    for (std::size_t i = 0; i < fields.size(); ++i) dst.set(fields[i], row[i]);
    dst.Update();
}

std::string keyText(const std::vector<std::string>& names, const std::vector<data::Value>& values) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i] + " = " + values[i].str();
    return text;
}

// Children: one row per (code, recipient).  A second row of a child that
// says the same is one row; one that says something else is not carried
// (the first is the one the entry window has been reading and updating),
// and the report lists what it held.
void copyChildren(data::Database& from, data::Database& to, std::vector<std::string>& report) {
    const std::vector<std::string> fields = {"code", "recipient", "name", "birthday", "n_insurance", "n_insurance_no",
                                             "n_ratio"};
    auto src = from.OpenRecordset("select * from T_基本", data::dbOpenSnapshot);
    auto dst = to.OpenRecordset("select * from T_基本", data::dbOpenDynaset);
    std::map<std::pair<std::string, std::string>, std::vector<data::Value>> kept;
    for (; !src.isEOF(); src.MoveNext()) {
        const std::string key = keyText({"code", "recipient"}, {src["code"], src["recipient"]});
        std::vector<data::Value> row = convertRow(to, dst, src, "T_基本", fields, key);
        if (!row[0].isNull() && !row[1].isNull()) {
            auto [it, added] = kept.try_emplace({row[0].str(), row[1].str()}, row);
            if (!added) {
                if (it->second == row) {
                    report.push_back("T_基本（" + key + "）：同じ内容の行が重なっていたため、１行にまとめました。");
                } else {
                    std::vector<std::string> rest(fields.begin() + 2, fields.end());
                    report.push_back("T_基本（" + key + "）：内容の異なる行が重なっていたため、最初の行を移し、次の行（" +
                                     keyText(rest, std::vector<data::Value>(row.begin() + 2, row.end())) +
                                     "）は移していません。");
                }
                continue;
            }
        }
        addRow(dst, fields, row);
    }
}

// Claim rows: one per (code, recipient, diagnosis, eda).  A row whose key is
// taken already is carried under the next free branch number of its child
// and month, so that no claim is lost; the report says which.
void copyClaims(data::Database& from, data::Database& to, std::vector<std::string>& report) {
    const std::vector<std::string> fields = to.TableFields("T_データ");
    std::size_t code = 0, recipient = 0, diagnosis = 0, eda = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string f = ToLowerAscii(fields[i]);
        if (f == "code") code = i;
        if (f == "recipient") recipient = i;
        if (f == "diagnosis") diagnosis = i;
        if (f == "eda") eda = i;
    }
    auto src = from.OpenRecordset("select * from T_データ", data::dbOpenSnapshot);
    auto dst = to.OpenRecordset("select * from T_データ", data::dbOpenDynaset);
    std::vector<std::vector<data::Value>> rows;
    std::map<std::tuple<std::string, std::string, std::string>, long long> lastBranch;
    for (; !src.isEOF(); src.MoveNext()) {
        const std::string key = keyText({"code", "recipient", "diagnosis", "eda"},
                                        {src["code"], src["recipient"], src["diagnosis"], src["eda"]});
        rows.push_back(convertRow(to, dst, src, "T_データ", fields, key));
        const auto& r = rows.back();
        if (!r[eda].isNull()) {
            long long& last = lastBranch[{r[code].str(), r[recipient].str(), r[diagnosis].str()}];
            last = std::max(last, r[eda].toInt());
        }
    }
    std::set<std::tuple<std::string, std::string, std::string, long long>> taken;
    for (auto& r : rows) {
        const bool keyed = !r[code].isNull() && !r[recipient].isNull() && !r[diagnosis].isNull() && !r[eda].isNull();
        if (keyed && !taken.insert({r[code].str(), r[recipient].str(), r[diagnosis].str(), r[eda].toInt()}).second) {
            const long long branch = ++lastBranch[{r[code].str(), r[recipient].str(), r[diagnosis].str()}];
            report.push_back("T_データ（" +
                             keyText({"code", "recipient", "diagnosis"}, {r[code], r[recipient], r[diagnosis]}) +
                             "）：枝番 " + r[eda].str() + " が重なっていたため、枝番 " + std::to_string(branch) +
                             " として移しました。");
            r[eda] = data::Value(branch);
            taken.insert({r[code].str(), r[recipient].str(), r[diagnosis].str(), branch});
        }
        addRow(dst, fields, r);
    }
}

// The message after an upgrade that could not carry every row as it was.
std::string upgradeReportText(const std::vector<std::string>& report, const std::filesystem::path& backup) {
    constexpr std::size_t kShown = 10;
    std::string text = "データベースをアップデートしました。\r次の行はそのままでは移せませんでした（元のデータは " +
                       backup.filename().string() + " に残っています）。";
    for (std::size_t i = 0; i < report.size() && i < kShown; ++i) text += "\r" + report[i];
    if (report.size() > kShown) text += "\rほか " + std::to_string(report.size() - kShown) + " 件";
    return text;
}
}  // namespace

DatabaseFiles CurrentDatabaseFiles() {
    if (gFiles) return *gFiles;
    // A live file beside the program is the clinic's data: it is used there
    // or not at all (the connection says why).  The data folder is for
    // installed copies whose program folder never held a live file.
    auto dir = ProgramDir();
    std::error_code ec;
    if (!std::filesystem::exists(dir / kLiveName, ec)) dir = DataDir();
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
    std::vector<std::string> report;  // rows not carried as they were
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
            const std::vector<std::string> settingsFields = {"type", "kencd", "tencd", "no", "eda", "name", "insurance",
                                                             "hospitalization", "treatment", "request", "path"};
            for (int n = 1; !oldSet.isEOF(); oldSet.MoveNext(), ++n) {
                std::vector<data::Value> row =
                    convertRow(*fresh, newSet, oldSet, "T_設定", settingsFields, std::to_string(n) + " 行目");
                newSet.AddNew();
                for (std::size_t i = 0; i < settingsFields.size(); ++i) newSet.set(settingsFields[i], row[i]);
                newSet.set("Ver", data::Value("1.10"));
                newSet.Update();
            }
            fresh->Execute("DELETE * FROM T_基本");
            copyChildren(*old, *fresh, report);
            // Claim rows are kept too: the claim table's layout did not change.
            fresh->Execute("DELETE * FROM T_データ");
            copyClaims(*old, *fresh, report);
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
    if (!report.empty()) MsgBox(upgradeReportText(report, files.backup), mbExclamation, "処理確認");
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

std::optional<std::string> ReadVersionLabel() {
    std::string text;
    const bool read = Trap([&] {
        auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenSnapshot);
        if (rs.isEOF() || rs["Ver"].isBlank()) return;
        text = "Ver." + FormatText(rs["Ver"].trimmed(), "#.00");
    });
    if (!read) return std::nullopt;
    return text;
}

std::string VersionLabelText() { return ReadVersionLabel().value_or(""); }

}  // namespace hotaru
