#include "submission/Export.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string_view>
#include <system_error>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Sjis.h"
#include "common/Text.h"
#include "data/Connection.h"
#include "submission/SubmissionFile.h"

namespace hotaru::submission {

namespace {

std::atomic<int> gInjectedWriteErrno{0};

const char* kSettingsSql =
    "SELECT T_設定.type, \r"
    "       T_設定.kencd, \r"
    "       T_設定.tencd, \r"
    "       T_設定.no, \r"
    "       T_設定.eda, \r"
    "       T_設定.name, \r"
    "       T_設定.request \r"
    "  FROM T_設定 \r";

const char* kCountSql =
    "SELECT count(*) As cnt\r"
    "  FROM T_データ \r"
    " WHERE T_データ.total <> 0 \r"
    "   AND T_データ.payment <> 0 \r"
    "   AND T_データ.request = ?\r";

// The key of the claim row (T_データ.code, T_データ.recipient) rides along so
// that a message can name the child even without a T_基本 row.
const char* kRowsSql =
    "SELECT T_基本.name As 氏名, \r"
    "       T_基本.birthday As 生年月日, \r"
    "       T_基本.code As 市町村番号, \r"
    "       T_基本.recipient As 受給NO, \r"
    "       T_データ.diagnosis As 実診療年月, \r"
    "       T_データ.total As 合計点数, \r"
    "       T_データ.payment As 自己負担額, \r"
    "       T_データ.treatment As 診療科コード, \r"
    "       T_データ.insurance As 保険区分, \r"
    "       T_データ.insurance_no As 保険番号, \r"
    "       T_データ.hospitalization As 入外, \r"
    "       T_データ.ratio As 割合, \r"
    "       T_データ.PublicPay1 As 公費1, \r"
    "       T_データ.PublicPay2 As 公費2, \r"
    "       T_データ.code As 行市町村, \r"
    "       T_データ.recipient As 行受給者 \r"
    "  FROM T_データ \r"
    "  LEFT JOIN T_基本 \r"
    "    ON T_データ.recipient = T_基本.recipient \r"
    "   AND T_データ.code = T_基本.code \r"
    " WHERE T_データ.total <> 0 \r"
    "   AND T_データ.payment <> 0 \r"
    "   AND CStr(T_データ.request) = ?\r"
    " ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda";

Message StandardError(const std::exception& e) {
    return {StandardErrorText(ErrorNumberOf(e), ErrorDescriptionOf(e)), mbExclamation, "エラー"};
}

ExportResult Stop(ExportStatus status, Message m) {
    ExportResult r;
    r.status = status;
    r.message = std::move(m);
    return r;
}

int ColumnIndex(const std::vector<std::string>& columns, const std::string& name) {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name) return static_cast<int>(i);
    throw AppError(data::dberr::ItemNotFound, "コレクション内に項目が見つかりません: " + name);
}

// The claim row's own key (city code, recipient number) of the n-th row,
// read again only to name the child in a message.
std::pair<std::string, std::string> KeyOfRow(const data::Params& params, std::size_t n) {
    std::pair<std::string, std::string> key;
    std::size_t i = 0;
    std::vector<std::string> columns;
    DB().ForEachRow(
        kRowsSql, params,
        [&](const std::vector<data::Value>& v) {
            if (i++ == n) key = {v[static_cast<std::size_t>(ColumnIndex(columns, "行市町村"))].str(),
                                 v[static_cast<std::size_t>(ColumnIndex(columns, "行受給者"))].str()};
        },
        &columns);
    return key;
}

// A character that the file cannot carry inside a value: a quote or a comma
// moves the fields, a line break splits the record, and a tab or NUL passes
// even the check unseen.  Returns the character as a message shows it.
std::optional<std::string> BreakingCharacter(std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '"': return std::string("\"");
        case ',': return std::string(",");
        case '\r': return std::string("改行（CR）");
        case '\n': return std::string("改行（LF）");
        case '\t': return std::string("タブ");
        case '\0': return std::string("NUL");
        default: break;
        }
    }
    return std::nullopt;
}

Message UnwritableInRow(const std::string& character, const std::string& city, const std::string& recipient) {
    return {"ＣＳＶファイルへ出力できない文字「" + character + "」があります。\r市町村番号 = " + city +
                "　受給者番号 = " + recipient + "\r入力画面で修正してください。",
            mbExclamation, "処理確認"};
}

Message UnwritableInName(const std::string& character) {
    return {"名称にＣＳＶファイルへ出力できない文字「" + character + "」があります。\r設定機能にて、名称を修正してください。",
            mbExclamation, "処理確認"};
}

// The rows to submit counted one way and read another: name the child that
// is stored twice, the usual cause.
Message CountMismatch(long long count, std::size_t records, const data::Params& params) {
    auto rs = DB().OpenRecordset(
        "SELECT T_基本.code, T_基本.recipient\r"
        "  FROM T_基本 \r"
        " WHERE EXISTS (SELECT * FROM T_データ \r"
        "                WHERE T_データ.code = T_基本.code \r"
        "                  AND T_データ.recipient = T_基本.recipient \r"
        "                  AND T_データ.total <> 0 \r"
        "                  AND T_データ.payment <> 0 \r"
        "                  AND CStr(T_データ.request) = ?)\r"
        " GROUP BY T_基本.code, T_基本.recipient \r"
        "HAVING count(*) > 1 \r"
        " ORDER BY T_基本.code, T_基本.recipient",
        data::dbOpenSnapshot, params);
    if (!rs.isEOF())
        return {"同じ受給者が２件以上登録されているため、ＣＳＶファイルを出力できません。\r市町村番号 = " +
                    rs["code"].str() + "　受給者番号 = " + rs["recipient"].str(),
                mbExclamation, "処理確認"};
    return {"明細の件数（" + std::to_string(records) + "件）が該当件数（" + std::to_string(count) +
                "件）と一致しないため、ＣＳＶファイルを出力できません。",
            mbExclamation, "処理確認"};
}

// The temporary name of a file being written: "." + name + "." + process
// id + "." + attempt + ".tmp", hidden beside the target.
std::filesystem::path TemporaryName(const std::filesystem::path& target, int attempt) {
    return target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                   std::to_string(attempt) + ".tmp");
}

// Temporary files that an export killed hard left in the folder: ours by
// their name, and stale because the process that wrote them is gone.
void RemoveStaleTemporaries(const std::filesystem::path& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // ".<name>.CSV.<pid>.<attempt>.tmp"
        if (name.size() < 12 || name[0] != '.' || !name.ends_with(".tmp")) continue;
        const std::string stem = name.substr(1, name.size() - 5);
        const std::size_t dot2 = stem.rfind('.');
        const std::size_t dot1 = dot2 == std::string::npos || dot2 == 0 ? std::string::npos : stem.rfind('.', dot2 - 1);
        if (dot1 == std::string::npos || !stem.substr(0, dot1).ends_with(".CSV")) continue;
        const std::string pid = stem.substr(dot1 + 1, dot2 - dot1 - 1), attempt = stem.substr(dot2 + 1);
        const auto digits = [](const std::string& t) {
            return !t.empty() && t.size() < 10 && OnlyAsciiDigits(t);
        };
        if (!digits(pid) || !digits(attempt)) continue;
        if (::kill(static_cast<pid_t>(std::stol(pid)), 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        if (it->is_regular_file(removeError)) std::filesystem::remove(it->path(), removeError);
    }
}

void WriteAll(int fd, const char* data, std::size_t size) {
    if (int injected = TakeInjectedWriteFailure()) {
        // Half the bytes reach the disk before it fills, as a real failure would.
        (void)!::write(fd, data, size / 2);
        throw std::system_error(injected, std::generic_category(), "write");
    }
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "write");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Writes to a fresh name in the target's folder and renames it into place
// only once everything reached the disk, so a full or removed disk never
// leaves a truncated file under the official name.
void WriteReplacing(const std::filesystem::path& target, const std::string& bytes) {
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = TemporaryName(target, attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            throw std::system_error(errno, std::generic_category(), target.string());
    }
    try {
        WriteAll(fd, bytes.data(), bytes.size());
        if (::fsync(fd) != 0) throw std::system_error(errno, std::generic_category(), "fsync");
        int rc = ::close(fd);
        fd = -1;
        if (rc != 0) throw std::system_error(errno, std::generic_category(), "close");
        if (::rename(temp.c_str(), target.c_str()) != 0)
            throw std::system_error(errno, std::generic_category(), target.string());
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
}

std::string CharacterOf(const SjisError& e) {
    return e.character().empty() ? std::string("?") : e.character();
}

}  // namespace

void ShowMessage(const Message& m) {
    if (!m.empty()) MsgBox(m.prompt, m.style, m.title);
}

void InjectWriteFailure(int errnoValue) { gInjectedWriteErrno = errnoValue; }
int TakeInjectedWriteFailure() { return gInjectedWriteErrno.exchange(0); }

std::string FolderText(const std::filesystem::path& folder) {
    std::string s = std::filesystem::absolute(folder).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

ExportResult RunExport(const std::filesystem::path& folderIn) {
    try {
        SettingsRow settings;
        {
            auto rs = DB().OpenRecordset(kSettingsSql, data::dbOpenSnapshot);
            if (rs.isEOF())
                return Stop(ExportStatus::NoSettings,
                            {"請求月更新機能にて、請求月を設定してください。\r設定機能にて、項目を設定してください。\r",
                             mbExclamation, "処理確認"});
            if (!rs["type"].isBlank()) settings.type = static_cast<int>(rs["type"].toInt());
            settings.kencd = rs["kencd"].str();
            settings.tencd = rs["tencd"].str();
            settings.no = rs["no"].str();
            settings.eda = rs["eda"].str();
            settings.name = rs["name"].trimmed();
            settings.request = rs["request"].toDate();
        }
        if (!settings.request)
            return Stop(ExportStatus::NoClaimMonth,
                        {"請求月更新機能にて、請求月を設定してください。\r", mbExclamation, "処理確認"});
        const Date request = *settings.request;
        const Date dataMonth = DataMonth(request);

        const long long count = DB().Scalar(kCountSql, {data::Value(request)}).toInt();
        if (count == 0)
            return Stop(ExportStatus::NoData, {"該当データがありません。", mbInformation, "該当件数チェック"});
        if (!settings.type || (*settings.type != 1 && *settings.type != 2))
            return Stop(ExportStatus::KindNotSet,
                        {"設定機能にて、項目を設定してください。", mbExclamation, "処理確認"});
        const int type = *settings.type;
        const std::string folder = FolderText(folderIn.empty() ? std::filesystem::path(".") : folderIn);

        const std::string fileName = BuildSubmissionFileName(settings);
        const std::string institution = InstitutionNumberOf(type, fileName);
        const EraTable eras = EraTable::Load();
        const std::string month = eras.eraDigits(dataMonth, "EEMM");

        if (auto c = BreakingCharacter(settings.name)) return Stop(ExportStatus::Unencodable, UnwritableInName(*c));

        // Rows are formatted as they are read and the whole file is converted
        // once; Shift_JIS trouble is traced to its row only when that fails.
        std::string text = BuildHeaderRecord(type, institution, month, count, settings.name);
        text += "\r\n";
        const std::size_t headerEnd = text.size();
        text.reserve(static_cast<std::size_t>(count) * 120 + headerEnd);
        std::vector<std::size_t> lineStarts;
        lineStarts.reserve(static_cast<std::size_t>(count));
        std::vector<std::string> columns;
        std::vector<int> col;
        ClaimRow row;
        std::optional<Message> unwritable;  // the first row with a value the file cannot carry
        const data::Params rowParams{data::Value(request.shortDate())};
        DB().ForEachRow(
            kRowsSql, rowParams,
            [&](const std::vector<data::Value>& v) {
                if (col.empty()) {
                    for (const char* name : {"氏名", "生年月日", "市町村番号", "受給NO", "実診療年月", "合計点数",
                                             "自己負担額", "診療科コード", "保険区分", "保険番号", "入外", "割合",
                                             "公費1", "公費2", "行市町村", "行受給者"})
                        col.push_back(ColumnIndex(columns, name));
                }
                auto at = [&](int i) -> const data::Value& { return v[static_cast<std::size_t>(col[static_cast<std::size_t>(i)])]; };
                row.name = at(0).str();
                row.birthday = at(1).toDate();
                row.city = at(2).str();
                row.recipient = at(3).str();
                row.diagnosis = at(4).toDate();
                row.total = at(5).str();
                row.payment = at(6).str();
                row.treatment = at(7).str();
                row.insurance = at(8).str();
                row.insuranceNo = at(9).str();
                row.hospitalization = at(10).str();
                row.ratio = at(11).str();
                row.publicPay1 = at(12).str();
                row.publicPay2 = at(13).str();
                if (!unwritable) {
                    for (const std::string* t : {&row.name, &row.city, &row.recipient, &row.total, &row.payment,
                                                 &row.treatment, &row.insurance, &row.insuranceNo, &row.hospitalization,
                                                 &row.ratio, &row.publicPay1, &row.publicPay2}) {
                        if (auto c = BreakingCharacter(*t)) {
                            unwritable = UnwritableInRow(*c, at(14).str(), at(15).str());
                            break;
                        }
                    }
                }
                lineStarts.push_back(text.size());
                AppendDetailRecord(text, type, institution, month, row, eras);
                text += "\r\n";
            },
            &columns);

        if (unwritable) return Stop(ExportStatus::Unencodable, *unwritable);
        // The header's count and the records that follow must agree: a child
        // stored twice (an old file, a hand edit) would bring its rows twice.
        if (static_cast<long long>(lineStarts.size()) != count)
            return Stop(ExportStatus::Inconsistent, CountMismatch(count, lineStarts.size(), rowParams));

        std::string bytes;
        try {
            bytes = ToSjis(text);
        } catch (const SjisError&) {
            try {
                ToSjis(std::string_view(text).substr(0, headerEnd));
            } catch (const SjisError& e) {
                return Stop(ExportStatus::Unencodable,
                            {"名称にＣＳＶファイルへ出力できない文字「" + CharacterOf(e) +
                                 "」があります。\r設定機能にて、名称を修正してください。",
                             mbExclamation, "処理確認"});
            }
            for (std::size_t i = 0; i < lineStarts.size(); ++i) {
                std::size_t end = i + 1 < lineStarts.size() ? lineStarts[i + 1] : text.size();
                try {
                    ToSjis(std::string_view(text).substr(lineStarts[i], end - lineStarts[i]));
                } catch (const SjisError& e) {
                    const auto [city, recipient] = KeyOfRow(rowParams, i);
                    return Stop(ExportStatus::Unencodable,
                                {"ＣＳＶファイルへ出力できない文字「" + CharacterOf(e) + "」があります。\r市町村番号 = " +
                                     city + "　受給者番号 = " + recipient + "\r入力画面で修正してください。",
                                 mbExclamation, "処理確認"});
                }
            }
            throw;
        }

        const std::filesystem::path target = std::filesystem::path(folder) / fileName;
        try {
            RemoveStaleTemporaries(folder);
            WriteReplacing(target, bytes);
        } catch (const std::system_error& e) {
            if (e.code().value() == ENOSPC || e.code().value() == EDQUOT)
                return Stop(ExportStatus::WriteFailed,
                            {folder + "\r\nの容量が不足しています。\r\n不要なものを削除してください。", mbExclamation,
                             "ﾒｯｾｰｼﾞ"});
            return Stop(ExportStatus::WriteFailed, StandardError(e));
        }

        ExportResult result;
        result.written = target;
        result.count = static_cast<long long>(lineStarts.size());
        try {
            DB().Execute("update T_設定 set path = ?;", {data::Value(folder)});
        } catch (const std::exception& e) {
            result.status = ExportStatus::PathNotStored;
            result.message = StandardError(e);
            return result;
        }
        result.status = ExportStatus::Written;
        result.message = {"ＣＳＶ出力終了しました。\r", mbInformation, "処理確認"};
        return result;
    } catch (const std::exception& e) {
        return Stop(ExportStatus::Failed, StandardError(e));
    }
}

}  // namespace hotaru::submission
