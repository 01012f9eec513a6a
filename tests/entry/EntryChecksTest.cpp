// The checks of the entry window that need no window, and the count of
// stored rows behind the duplicate question.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "EntryFixture.h"
#include "common/Errors.h"
#include "entry/EntryChecks.h"
#include "entry/EntryCore.h"

namespace hotaru::entry {
namespace {

EntryRow Row(const std::function<void(EntryRow&)>& change) {
    EntryRow r = test::SampleEntryRow();  // 1,000 points, ratio 3: 3,000 yen
    change(r);
    return r;
}

// The failed rules "code:label" and the red fields, in order.
std::string Failed(const EntryRow& row) {
    const FieldCheck c = CheckEntryFields(row);
    std::string s;
    for (const auto& r : c.rules)
        if (r.failed) s += r.code + ":" + r.label + " ";
    s += "|";
    for (const auto& f : c.redFields()) s += " " + f;
    return s;
}

TEST(EntryFieldRules, CollectedInOrder) {
    const std::pair<std::function<void(EntryRow&)>, const char*> cases[] = {
        {[](EntryRow& r) { r.bdMonth = ""; }, "ERR01:生年月日(月) | Txt_BD_M"},
        {[](EntryRow& r) { r.bdMonth = "13"; }, "ERR02:生年月日 | Txt_BD_Y Txt_BD_M Txt_BD_D"},
        {[](EntryRow& r) { r.bdEra = ""; }, "ERR02:生年月日 | Txt_BD_Y Txt_BD_M Txt_BD_D"},  // no era: unreadable
        {[](EntryRow& r) { r.bdYear = "20"; r.bdMonth = "06"; }, "ERR03:生年月日 ERR06: | Txt_BD_Y Txt_BD_M Txt_BD_D"},
        {[](EntryRow& r) { r.bdYear = "20"; r.bdMonth = "04"; }, "|"},  // born in the treatment month
        {[](EntryRow& r) { r.bdYear = "20"; r.bdMonth = "05"; }, "ERR06: | Txt_BD_Y Txt_BD_M Txt_BD_D"},  // in the claim month: not future
        {[](EntryRow& r) { r.diagEra = r.bdEra = "令和"; r.diagYear = "07"; r.request = Date{2025, 6, 1}; r.bdYear = "03"; }, "|"},
        {[](EntryRow& r) { r.total = "2,147,483,647"; r.payment = "2147483647"; }, "|"},
        {[](EntryRow& r) { r.total = r.payment = "2,147,483,648"; }, "ERR05:合計点数 ERR05:自己負担支払額 | Txt_Total Txt_Payment"},
        {[](EntryRow& r) { r.totalCaption = "請求金額"; r.total = "99999999999999999999999"; }, "ERR05:請求金額 | Txt_Total"},
        {[](EntryRow& r) { r.totalCaption = "請求金額"; r.total = r.payment = ""; }, "ERR01:請求金額 ERR01:自己負担支払額 | Txt_Total Txt_Payment"},
        {[](EntryRow& r) { r.total = "12a"; }, "ERR02:合計点数 | Txt_Total"},
    };
    for (const auto& [change, expected] : cases) EXPECT_EQ(Failed(Row(change)), expected);

    // The pair rule passes after 公費1 failed, but must not clear its red.
    const FieldCheck c = CheckEntryFields(Row([](EntryRow& r) { r.publicPay1 = "123"; r.publicPay2 = "12"; }));
    EXPECT_EQ(c.redFields(), std::vector<std::string>{"Txt_PublicPay1"});
    auto cleared = c.clearedFields();
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), "Txt_PublicPay1"), 0);
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), "Txt_PublicPay2"), 1);
}

// Points ("P") or yen ("Y"), and whether the co-payment is queried ("?").
TEST(EntryPlausibility, CopaymentBand) {
    struct Case { int type; const char* tencd; const char* total; const char* payment; const char* verdict; };
    const Case cases[] = {
        {1, "1", "1,000", "3,000", "P"},    {1, "1", "1,000", "3,100", "P"},  {1, "1", "1,000", "2,900", "P"},
        {1, "1", "1,000", "3,101", "P?"},   {1, "1", "1,000", "2,899", "P?"}, {2, "", "10,000", "3,101", "Y?"},
        {1, "6", "10,000", "2,899", "Y?"},  {1, "6", "10,000", "3,100", "Y"},
        // Fractions of a yen count exactly: 10,005 yen at 3 tenths is 3,001.5.
        {2, "", "10005", "2901", "Y?"},     {2, "", "10005", "2902", "Y"},    {2, "", "10005", "3101", "Y"},
        {2, "", "10005", "3102", "Y?"},     {1, "1", "2147483647", "0", "P?"},  // no overflow
    };
    for (const Case& c : cases) {
        const auto r = CheckCopayment(Row([&](EntryRow& r) { r.total = c.total; r.payment = c.payment; }), c.type, c.tencd);
        EXPECT_EQ(std::string(r.points ? "P" : "Y") + (r.ask ? "?" : ""), c.verdict)
            << c.type << c.tencd << " " << c.total << "/" << c.payment;
        if (std::string(c.total).find(',') != std::string::npos) { EXPECT_EQ(r.expected, 3000LL * 10000); }
    }
}

// The insurer's check digit (kind 1 only), the duplicate question, the
// recipient's check digit: "Y" where the check passes or asks.
TEST(EntryPlausibility, InsurerDigitDuplicatesAndRecipientDigit) {
    auto yes = [](bool b) { return b ? "Y" : "n"; };
    std::string s;
    for (auto [kind, no] : {std::pair{1, "12345674"}, {1, "12345675"}, {2, "12345675"}})
        s += yes(InsurerNumberPlausible(Row([&](EntryRow& r) { r.insurance = kind; r.insuranceNo = no; })));
    EntryRow row = test::SampleEntryRow();
    for (auto [tencd, n] : {std::pair{"1", 0}, {"1", 1}, {"1", 2}, {"4", 3}}) s += yes(DuplicateQuestionNeeded(row, tencd, n));
    row.correcting = true;  // its own row is no duplicate
    for (long n : {1, 2}) s += yes(DuplicateQuestionNeeded(row, "1", n));
    for (auto [city, no] : {std::pair{"1", "000012341"}, {"01", "000012341"}, {"1", "000012345"}, {"2", "000012341"}, {"1", ""}})
        s += yes(RecipientNumberPlausible(city, no));
    EXPECT_EQ(s, "YnY" "nYYnnY" "YYnnY");
}

TEST(EntryKeyChecks, TreatmentMonthAgainstClaimMonth) {
    struct Case {
        const char* era;
        const char* year;
        const char* month;
        Date request;
        bool monthField;
        MonthVerdict verdict;
    };
    const Date may08{2008, 5, 1}, may11{2011, 5, 1}, jan10{2010, 1, 1}, feb26{2026, 2, 1};
    const Case cases[] = {
        {"平成", "20", "04", may11, true, MonthVerdict::Ok},  // 36 boundaries before 2011/04
        {"平成", "20", "04", may11, false, MonthVerdict::AskOld},  // 37 before 2011/05
        {"平成", "20", "05", may11, false, MonthVerdict::Ok},
        {"平成", "20", "13", may08, true, MonthVerdict::NotDate},
        {"平成", "20", "13", may08, false, MonthVerdict::NotDate},
        {"平成", "20", "", may08, true, MonthVerdict::Ok},
        {"平成", "2a", "04", may08, false, MonthVerdict::NotNumeric},
        {"平成", "2a", "04", may08, true, MonthVerdict::NotDate},
        {"平成", "19", "02", jan10, true, MonthVerdict::TooOld},
        {"平成", "19", "03", jan10, true, MonthVerdict::Ok},
        {"令和", "08", "01", feb26, true, MonthVerdict::Ok},
        {"令和", "01", "04", feb26, false, MonthVerdict::NotDate},  // a month the era does not have
        {"", "08", "01", feb26, true, MonthVerdict::NotDate},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckTreatmentMonthTexts(c.era, c.year, c.month, c.request, c.monthField), c.verdict)
            << c.era << c.year << "." << c.month << " field " << c.monthField << " claim " << c.request.year;
}

TEST(EntryKeyChecks, MessagesAndAmounts) {
    EXPECT_EQ(MonthVerdictMessage(MonthVerdict::NotDate, true), "実診療年月の入力に誤りがあります。　\r");
    EXPECT_EQ(MonthVerdictMessage(MonthVerdict::NotDate, false), "実診療年月の入力に誤りがあります\r");
    std::string parsed;
    for (const char* a : {"1,234", " 0 ", "", ",", "-5", "1.5", "9223372036854775790"}) {
        const auto v = ParseAmount(a);
        parsed += (v ? std::to_string(*v) : "-") + " ";
    }
    EXPECT_EQ(parsed, "1234 0 - - - - 9223372036854775790 ");  // the last just below the overflow guard
}

// The duplicate question counts stored rows alike in every claim field; an
// empty department matches only an empty one.  Names with quotes are stored
// as typed.
using StoredRows = test::EntryFixture;

TEST_F(StoredRows, CountSameRows) {
    auto row = test::SampleEntryRow();
    std::string counts;
    auto next = [&](auto change) { change(row); counts += std::to_string(CountSameRows(row)); };
    next([](EntryRow&) {});
    next([](EntryRow& r) { RegisterEntry(r); });
    next([](EntryRow& r) { r.eda = "2"; RegisterEntry(r); });
    next([](EntryRow& r) { r.hospitalization = 1; });
    next([](EntryRow& r) { r = test::SampleEntryRow(); r.treatment = ""; });
    next([](EntryRow& r) { RegisterEntry(r); });  // branch 1 again, now without a department
    next([](EntryRow& r) { r.name = "オ'ハラ"; RegisterEntry(r); });
    EXPECT_EQ(counts, "0120011");
    EXPECT_EQ(rows("name", "FROM T_基本"), "'オ''ハラ'\n");
}

// A failing write leaves both tables as they were: a new child's master row
// written and its claim row failing, or a renamed child's.
TEST_F(StoredRows, AFailingWriteLeavesBothTablesUnchanged) {
    RegisterEntry(test::SampleEntryRow());
    auto tables = [this] { return rows("recipient, name", "FROM T_基本") + rows("recipient, eda, total", "FROM T_データ"); };
    const std::string before = tables();
    EntryRow other = test::SampleEntryRow(), renamed = test::SampleEntryRow();
    other.recipient = "000099999";
    renamed.name = "かわった　なまえ";
    for (auto [row, failAt] : {std::pair{other, 0}, {other, 1}, {renamed, 1}}) {  // 0: the master row, 1: the claim row
        gDB->InjectWriteFailure(failAt);
        EXPECT_THROW(RegisterEntry(row), AppError);
        gDB->InjectWriteFailure(-1);
        EXPECT_FALSE(gDB->inTransaction());
        EXPECT_EQ(tables(), before) << row.recipient << failAt;
    }
}

// A registration run killed hard: every committed row is there, at most the
// one in flight besides, each with its child row, and the file is sound.
TEST_F(StoredRows, ARunKilledDuringRegistrationsKeepsEveryCommittedRow) {
    folder.disconnect();
    auto recipient = [](int i) { return std::string(9 - std::to_string(i).size(), '0') + std::to_string(i); };
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipefd[0]);
        gDB = data::Database::Open(folder.live());
        for (int i = 1;; ++i) {
            EntryRow r = test::SampleEntryRow();
            r.city = std::to_string(1 + i % 49);
            r.recipient = recipient(i);
            r.total = std::to_string(100 + i);
            RegisterEntry(r);
            if (write(pipefd[1], &i, sizeof i) != sizeof i) _exit(1);
        }
    }
    close(pipefd[1]);
    int committed = 0, n = 0;
    while (committed < 300 && read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    while (read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;  // reported before it died
    close(pipefd[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
    for (int i = 1; i <= committed; ++i)
        ASSERT_EQ(DB().Scalar("SELECT count(*) FROM T_データ WHERE recipient = ?", {recipient(i)}).toInt(), 1) << i;
    EXPECT_LE(DB().Scalar("SELECT count(*) FROM T_データ").toInt(), committed + 1);
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ d LEFT JOIN T_基本 b ON d.code = b.code AND "
                          "d.recipient = b.recipient WHERE b.recipient IS NULL")
                  .toInt(),
              0);
}

}  // namespace
}  // namespace hotaru::entry
