// A whole claim month, as the staff work it, on a fresh copy of the shipped
// database: settings, claim month, forty children typed through the entry
// window (second and third branches, one corrected through 参照, one
// deleted), the export, the floppy check, the list as PDF, and the next
// claim month.  After each step the tables and files are compared with what
// the month's slips say they must hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "Files.h"
#include "MonthPlan.h"
#include "Staff.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

namespace hotaru::acceptance {
namespace {

namespace fs = std::filesystem;

std::string IsoOf(const data::Value& v) { return v.isNull() ? "(Null)" : v.rawText(); }

class TypicalMonth : public ::testing::TestWithParam<int> {
protected:
    test::ProgramFolder folder;
    test::TempDir out;
    Staff staff{folder.messages()};

    void checkSettings(const MonthPlan& plan, const std::string& request, const std::optional<fs::path>& path) {
        auto rs = DB().OpenRecordset("SELECT * FROM T_設定", data::dbOpenSnapshot);
        ASSERT_EQ(rs.RecordCount(), 1);
        const Institution& i = plan.inst;
        EXPECT_EQ(rs["type"].toInt(), i.kind);
        EXPECT_EQ(rs["kencd"].str(), i.pref);
        EXPECT_EQ(rs["tencd"].str(), i.mark);
        EXPECT_EQ(rs["no"].str(), i.number);
        EXPECT_EQ(rs["eda"].str(), i.branch);
        EXPECT_EQ(rs["name"].str(), i.name);
        EXPECT_EQ(rs["insurance"].toInt(), i.insurance);
        EXPECT_EQ(rs["hospitalization"].toInt(), i.hospitalization);
        EXPECT_EQ(rs["treatment"].isNull(), i.treatment.empty());
        EXPECT_EQ(rs["treatment"].str(), i.treatment);
        EXPECT_EQ(IsoOf(rs["request"]), request);
        if (path) {
            EXPECT_EQ(rs["path"].str(), path->string());
        } else {
            EXPECT_TRUE(rs["path"].isNull());
        }
    }

    // T_基本 and T_データ, row by row, against the slips.
    void checkTables(const MonthPlan& plan) {
        auto m = DB().OpenRecordset("SELECT * FROM T_基本 ORDER BY code, recipient", data::dbOpenSnapshot);
        ASSERT_EQ(m.RecordCount(), static_cast<long>(plan.masters.size()));
        for (const auto& [key, e] : plan.masters) {
            SCOPED_TRACE("child " + e.city + "/" + e.recipient);
            ASSERT_FALSE(m.isEOF());
            EXPECT_EQ(m["code"].str(), e.city);
            EXPECT_EQ(m["recipient"].str(), e.recipient);
            EXPECT_EQ(m["name"].str(), e.name);
            EXPECT_EQ(IsoOf(m["birthday"]), e.birth.iso());
            EXPECT_EQ(m["n_insurance"].toInt(), e.insurance);
            EXPECT_EQ(m["n_insurance_no"].str(), e.insuranceNo);
            EXPECT_EQ(m["n_ratio"].toInt(), e.ratio);
            EXPECT_FALSE(m["PublicPay1"].isNull());  // an empty field is stored as empty text
            EXPECT_EQ(m["PublicPay1"].str(), e.publicPay1);
            EXPECT_EQ(m["PublicPay2"].str(), e.publicPay2);
            m.MoveNext();
        }
        auto d = DB().OpenRecordset("SELECT * FROM T_データ ORDER BY code, recipient, diagnosis, eda",
                                    data::dbOpenSnapshot);
        ASSERT_EQ(d.RecordCount(), static_cast<long>(plan.rows.size()));
        for (const auto& [key, r] : plan.rows) {
            SCOPED_TRACE("row " + r.city + "/" + r.recipient + " " + r.diagnosis.iso() + " branch " +
                         std::to_string(r.eda));
            ASSERT_FALSE(d.isEOF());
            EXPECT_EQ(d["code"].str(), r.city);
            EXPECT_EQ(d["recipient"].str(), r.recipient);
            EXPECT_EQ(IsoOf(d["diagnosis"]), r.diagnosis.iso());
            EXPECT_EQ(d["eda"].toInt(), r.eda);
            EXPECT_EQ(d["total"].kind(), data::Value::Kind::Integer);
            EXPECT_EQ(d["total"].rawInt(), r.total);
            EXPECT_EQ(d["payment"].rawInt(), r.payment);
            EXPECT_EQ(IsoOf(d["request"]), plan.claimMonth.iso());
            EXPECT_EQ(d["insurance"].toInt(), r.insurance);
            EXPECT_EQ(d["insurance_no"].str(), r.insuranceNo);
            EXPECT_EQ(d["hospitalization"].toInt(), r.hospitalization);
            EXPECT_EQ(d["ratio"].toInt(), r.ratio);
            EXPECT_EQ(d["treatment"].isNull(), !r.treatment);
            EXPECT_EQ(d["treatment"].str(), r.treatment.value_or(""));
            EXPECT_EQ(d["PublicPay1"].isNull(), !r.publicPay1);
            EXPECT_EQ(d["PublicPay1"].str(), r.publicPay1.value_or(""));
            EXPECT_EQ(d["PublicPay2"].isNull(), !r.publicPay2);
            EXPECT_EQ(d["PublicPay2"].str(), r.publicPay2.value_or(""));
            d.MoveNext();
        }
    }

    // The submission file, decoded line by line.
    void checkFile(const MonthPlan& plan, const fs::path& file) {
        ASSERT_TRUE(fs::exists(file)) << file;
        const std::string text = FromCp932(test::ReadFile(file));
        std::string framing;
        const std::vector<std::string> lines = CrLfLines(text, &framing);
        EXPECT_EQ(framing, "");
        const std::vector<std::string> expected = plan.records();
        ASSERT_EQ(lines.size(), expected.size());
        for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    }

    // The list: every row on its own line in order (its public-expense
    // numbers on the line above), a header on every page, the count at the end.
    void checkPdf(const MonthPlan& plan, const fs::path& pdf, int previewPages) {
        ASSERT_TRUE(fs::exists(pdf)) << pdf;
        const auto expected = plan.listLines();
        const int pages = (static_cast<int>(expected.size()) + 17) / 18;  // eighteen lines a page
        EXPECT_EQ(previewPages, pages);
        if (!HavePdfTools()) GTEST_SKIP() << "poppler-utils missing: the PDF's text is not read";
        EXPECT_EQ(PdfPages(pdf), pages);
        const std::vector<std::string> lines = PdfLines(pdf);
        std::string all;
        for (const auto& x : lines) all += x + "\n";
        std::size_t at = 0;
        for (const auto& l : expected) {
            while (at < lines.size() && !InOrder(lines[at], l.texts)) ++at;
            ASSERT_LT(at, lines.size()) << "list line " << l.texts[0] << " (" << l.texts[1] << ") not found in\n" << all;
            if (!l.publicPay.empty()) {
                EXPECT_EQ(lines[at - 1], l.publicPay) << "above list line " << l.texts[0];
            }
            ++at;
        }
        int claimMonths = 0, pageNumbers = 0, titles = 0;
        const std::string amountTitle = plan.inst.kind == 1 ? "合計点数" : "請求金額";
        for (const auto& line : lines) {
            claimMonths += line == "令和08年12月";
            pageNumbers += line.find("PAGE" + std::to_string(pageNumbers + 1)) != std::string::npos;
            titles += InOrder(line, {"No", "氏名", "生年月日", "市町村", "保険", "保険番号", "入外", "割合", amountTitle});
        }
        EXPECT_EQ(claimMonths, pages) << all;
        EXPECT_EQ(pageNumbers, pages) << all;
        EXPECT_EQ(titles, pages) << all;
        EXPECT_EQ(lines.back(), "総件数" + std::to_string(expected.size()) + "件");
    }
};

TEST_P(TypicalMonth, FromSettingsToTheNextClaimMonth) {
    MonthPlan plan(GetParam());

    // First start: the menu asks for both the claim month and the settings.
    ASSERT_NO_FATAL_FAILURE(staff.startMenu());
    ASSERT_EQ(staff.prompts(), std::vector<std::string>{"請求月更新機能にて、請求月を設定してください。\r"
                                                        "設定機能にて、項目を設定してください。\r"});

    ASSERT_NO_FATAL_FAILURE(staff.registerSettings(plan.inst));
    ASSERT_NO_FATAL_FAILURE(staff.setClaimMonth(1, "08", "12"));  // 令和 is one below 平成
    ASSERT_NO_FATAL_FAILURE(checkSettings(plan, "2026-12-01", std::nullopt));

    // The month's slips.
    entry::FrmEntry* w = staff.openEntry();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Text(w->Txt_Request), "令和08年12月");
    EXPECT_EQ(w->Lbl_Mark->text().toStdString(), plan.inst.kind == 1 ? "合計点数" : "請求金額");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);  // the entry button's city patch
    for (const Slip& s : plan.slips) {
        ASSERT_NO_FATAL_FAILURE(staff.typeSlip(plan, s));
        plan.apply(s);
    }
    ASSERT_NO_FATAL_FAILURE(checkTables(plan));
    ASSERT_NO_FATAL_FAILURE(staff.typeSlip(plan, plan.correction));
    plan.apply(plan.correction);
    ASSERT_NO_FATAL_FAILURE(staff.deleteBranch(plan, plan.deleted, 2));
    plan.applyDeletion(plan.deleted, 2);
    ASSERT_NO_FATAL_FAILURE(staff.closeEntry());
    ASSERT_NO_FATAL_FAILURE(checkTables(plan));
    EXPECT_EQ(plan.rows.size(), 46u);

    // ＣＳＶ出力 into a folder of the user's choice.
    const std::string name = staff.exportTo(out.path());
    EXPECT_EQ(name, plan.inst.fileName(plan.dataMonth));
    ASSERT_NO_FATAL_FAILURE(checkFile(plan, out / name));
    ASSERT_NO_FATAL_FAILURE(checkSettings(plan, "2026-12-01", out.path()));

    // ＦＤチェック of that folder finds nothing: no list, no viewer.
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_fdChk"));
    ASSERT_EQ(folder.messages().shown.size(), 2u);
    EXPECT_EQ(folder.messages().shown[0].prompt,
              "国保連合会提出用フロッピーのチェックを行います。\rフロッピーをセットして下さい。");
    EXPECT_EQ(folder.messages().shown[1].prompt, "ＦＤデータにエラーはありませんでした。");
    EXPECT_EQ(folder.messages().shown[1].title, "エラーなし");
    EXPECT_EQ(folder.messages().shown[1].style, mbInformation);
    folder.messages().clear();
    EXPECT_FALSE(fs::exists(DataDir() / (name + "_Error.txt")));
    for (const auto& f : fs::directory_iterator(DataDir()))
        EXPECT_EQ(f.path().string().find("_Error"), std::string::npos) << f.path();
    EXPECT_TRUE(staff.menu()->isVisible());

    // 一覧表, written as PDF from the preview.
    const int pages = staff.listToPdf(out / "一覧表.pdf");
    EXPECT_TRUE(folder.messages().shown.empty());
    ASSERT_NO_FATAL_FAILURE(checkPdf(plan, out / "一覧表.pdf", pages));

    // The next claim month removes this month's rows; the children stay.
    ASSERT_NO_FATAL_FAILURE(staff.setClaimMonth(0, "09", "01"));  // the window opens on 令和
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ").toInt(), 0);
    plan.rows.clear();
    ASSERT_NO_FATAL_FAILURE(checkTables(plan));
    ASSERT_NO_FATAL_FAILURE(checkSettings(plan, "2027-01-01", out.path()));
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_Report"));
    EXPECT_EQ(staff.prompts(), std::vector<std::string>{"該当データがありません。"});

    // 終了 closes the menu and the database; the file is sound.
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_End"));
    EXPECT_FALSE(gDB);
    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
}

INSTANTIATE_TEST_SUITE_P(Kinds, TypicalMonth, ::testing::Values(1, 2), [](const auto& info) {
    return info.param == 1 ? std::string("ClinicInPoints") : std::string("PractitionerInYen");
});

}  // namespace
}  // namespace hotaru::acceptance
