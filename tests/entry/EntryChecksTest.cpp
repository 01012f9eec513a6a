// The checks of the entry window that need no window.
#include <gtest/gtest.h>

#include "entry/EntryChecks.h"
#include "EntryFixture.h"

namespace hotaru::entry {
namespace {

using test::EntryFixture;

std::vector<std::string> Codes(const FieldCheck& c) {
    std::vector<std::string> out;
    for (const auto& r : c.rules)
        if (r.failed) out.push_back(r.code + ":" + r.label);
    return out;
}

TEST(EntryFieldRules, SampleRowPasses) {
    auto c = CheckEntryFields(EntryFixture::SampleRow());
    EXPECT_FALSE(c.failed());
    EXPECT_TRUE(c.redFields().empty());
}

TEST(EntryFieldRules, MissingNameAndInsurerNumberAreCollectedInOrder) {
    auto row = EntryFixture::SampleRow();
    row.name = "  ";
    row.insuranceNo = "";
    auto c = CheckEntryFields(row);
    EXPECT_EQ(Codes(c), (std::vector<std::string>{"ERR01:氏名", "ERR01:保険者番号"}));
    EXPECT_EQ(c.redFields(), (std::vector<std::string>{"Txt_Name", "Txt_InsuranceNo"}));
}

TEST(EntryFieldRules, BirthDateRules) {
    auto row = EntryFixture::SampleRow();
    row.bdMonth = "";
    EXPECT_EQ(Codes(CheckEntryFields(row)), (std::vector<std::string>{"ERR01:生年月日(月)"}));

    row = EntryFixture::SampleRow();
    row.bdMonth = "13";
    EXPECT_EQ(Codes(CheckEntryFields(row)), (std::vector<std::string>{"ERR02:生年月日"}));

    // No era chosen: the date cannot be read, whatever the digits.
    row = EntryFixture::SampleRow();
    row.bdEra = "";
    EXPECT_EQ(Codes(CheckEntryFields(row)), (std::vector<std::string>{"ERR02:生年月日"}));

    // After the claim month and after the treatment month: both listed.
    row = EntryFixture::SampleRow();
    row.bdYear = "20";
    row.bdMonth = "06";
    EXPECT_EQ(Codes(CheckEntryFields(row)), (std::vector<std::string>{"ERR03:生年月日", "ERR06:"}));

    // Born in the treatment month itself: fine.
    row.bdMonth = "04";
    EXPECT_FALSE(CheckEntryFields(row).failed());
    // 令和 birth dates are read in their own era.
    row = EntryFixture::SampleRow();
    row.diagEra = "令和";
    row.diagYear = "07";
    row.request = Date{2025, 6, 1};
    row.bdEra = "令和";
    row.bdYear = "03";
    EXPECT_FALSE(CheckEntryFields(row).failed());
}

TEST(EntryFieldRules, AmountsUpToTheLargestWholeNumber) {
    auto row = EntryFixture::SampleRow();
    row.total = "2,147,483,647";
    row.payment = "2147483647";
    EXPECT_EQ(Codes(CheckEntryFields(row)), std::vector<std::string>{});
    row.total = "2,147,483,648";
    row.payment = "2,147,483,648";
    EXPECT_EQ(Codes(CheckEntryFields(row)),
              (std::vector<std::string>{"ERR05:合計点数", "ERR05:自己負担支払額"}));
    row.totalCaption = "請求金額";
    row.total = "99999999999999999999999";
    EXPECT_EQ(Codes(CheckEntryFields(row))[0], "ERR05:請求金額");
    row.total = "";
    row.payment = "";
    EXPECT_EQ(Codes(CheckEntryFields(row)),
              (std::vector<std::string>{"ERR01:請求金額", "ERR01:自己負担支払額"}));
    row.total = "12a";
    row.payment = "1";
    EXPECT_EQ(Codes(CheckEntryFields(row)), (std::vector<std::string>{"ERR02:請求金額"}));
}

TEST(EntryFieldRules, PublicExpenseNumbers) {
    auto row = EntryFixture::SampleRow();
    row.publicPay2 = "12";
    auto c = CheckEntryFields(row);
    EXPECT_EQ(Codes(c), (std::vector<std::string>{"ERR02:公費2"}));
    EXPECT_EQ(c.redFields(), (std::vector<std::string>{"Txt_PublicPay1", "Txt_PublicPay2"}));
    EXPECT_EQ(c.rules.back().focus, "Txt_PublicPay2");

    row.publicPay1 = "123";
    c = CheckEntryFields(row);
    EXPECT_EQ(Codes(c), (std::vector<std::string>{"ERR02:公費1"}));
    // The pair rule passes afterwards but must not clear 公費1's red.
    EXPECT_EQ(c.redFields(), std::vector<std::string>{"Txt_PublicPay1"});
    auto cleared = c.clearedFields();
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), "Txt_PublicPay1"), 0);
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), "Txt_PublicPay2"), 1);
}

TEST(EntryPlausibility, CopaymentBandInPoints) {
    auto row = EntryFixture::SampleRow();  // 1,000 points, ratio 3 -> 3,000 yen
    for (auto [pay, ask] : {std::pair{"3,000", false}, {"3,100", false}, {"2,900", false}, {"3,101", true},
                            {"2,899", true}}) {
        row.payment = pay;
        auto c = CheckCopayment(row, 1, "1");
        EXPECT_TRUE(c.points);
        EXPECT_EQ(c.expected, 3000LL * 10000);
        EXPECT_EQ(c.ask, ask) << pay;
    }
}

TEST(EntryPlausibility, CopaymentBandInYen) {
    auto row = EntryFixture::SampleRow();
    row.total = "10,000";  // yen, ratio 3 -> 3,000
    for (auto [type, tencd] : {std::pair{2, ""}, {1, "6"}}) {
        for (auto [pay, ask] : {std::pair{"3,100", false}, {"2,900", false}, {"3,101", true}, {"2,899", true}}) {
            row.payment = pay;
            auto c = CheckCopayment(row, type, tencd);
            EXPECT_FALSE(c.points);
            EXPECT_EQ(c.expected, 3000LL * 10000);
            EXPECT_EQ(c.ask, ask) << type << pay;
        }
    }
    // Fractions of a yen count exactly: 10,005 yen at 3 tenths is 3,001.5.
    row.total = "10005";
    row.payment = "2901";  // -100.5
    EXPECT_TRUE(CheckCopayment(row, 2, "").ask);
    row.payment = "2902";  // -99.5
    EXPECT_FALSE(CheckCopayment(row, 2, "").ask);
    row.payment = "3101";  // 99.5
    EXPECT_FALSE(CheckCopayment(row, 2, "").ask);
    row.payment = "3102";  // 100.5
    EXPECT_TRUE(CheckCopayment(row, 2, "").ask);
    // The largest amounts do not overflow.
    row.total = "2147483647";
    row.rate = "3";
    row.payment = "0";
    EXPECT_TRUE(CheckCopayment(row, 1, "1").ask);
}

TEST(EntryPlausibility, InsurerCheckDigitOnlyForKindOne) {
    auto row = EntryFixture::SampleRow();
    row.insurance = 1;
    row.insuranceNo = "12345674";
    EXPECT_TRUE(InsurerNumberPlausible(row));
    row.insuranceNo = "12345675";
    EXPECT_FALSE(InsurerNumberPlausible(row));
    row.insurance = 2;
    EXPECT_TRUE(InsurerNumberPlausible(row));
}

TEST(EntryPlausibility, DuplicateQuestion) {
    auto row = EntryFixture::SampleRow();
    EXPECT_FALSE(DuplicateQuestionNeeded(row, "1", 0));
    EXPECT_TRUE(DuplicateQuestionNeeded(row, "1", 1));
    EXPECT_TRUE(DuplicateQuestionNeeded(row, "1", 2));
    EXPECT_FALSE(DuplicateQuestionNeeded(row, "4", 3));
    row.correcting = true;
    EXPECT_FALSE(DuplicateQuestionNeeded(row, "1", 1));
    EXPECT_TRUE(DuplicateQuestionNeeded(row, "1", 2));
}

TEST(EntryKeyChecks, TreatmentMonthAgainstClaimMonth) {
    const std::optional<Date> request = Date{2008, 5, 1};
    auto check = [&](const char* y, const char* m, bool monthField) {
        return CheckTreatmentMonthTexts("平成", y, m, request, monthField);
    };
    EXPECT_EQ(check("20", "04", true), MonthVerdict::Ok);
    EXPECT_EQ(check("20", "05", true), MonthVerdict::Future);  // the claim month itself
    EXPECT_EQ(check("20", "05", false), MonthVerdict::Ok);
    EXPECT_EQ(check("20", "06", false), MonthVerdict::Future);
    // 2005 is below the 平成19年3月 floor; the 37-month question needs a later claim month.
    EXPECT_EQ(check("17", "04", true), MonthVerdict::TooOld);
    const std::optional<Date> y2011 = Date{2011, 5, 1};
    auto old = [&](const char* m, bool monthField) {
        return CheckTreatmentMonthTexts("平成", "20", m, y2011, monthField);
    };
    EXPECT_EQ(old("04", true), MonthVerdict::Ok);       // 36 boundaries before 2011/04
    EXPECT_EQ(old("03", true), MonthVerdict::AskOld);
    EXPECT_EQ(old("04", false), MonthVerdict::AskOld);  // 37 before 2011/05
    EXPECT_EQ(old("05", false), MonthVerdict::Ok);
    EXPECT_EQ(check("20", "13", true), MonthVerdict::NotDate);
    EXPECT_EQ(check("20", "13", false), MonthVerdict::NotDate);
    EXPECT_EQ(check("20", "", true), MonthVerdict::Ok);
    EXPECT_EQ(check("2a", "04", false), MonthVerdict::NotNumeric);
    EXPECT_EQ(check("2a", "04", true), MonthVerdict::NotDate);

    const std::optional<Date> later = Date{2010, 1, 1};
    EXPECT_EQ(CheckTreatmentMonthTexts("平成", "19", "02", later, true), MonthVerdict::TooOld);
    EXPECT_EQ(CheckTreatmentMonthTexts("平成", "19", "03", later, true), MonthVerdict::Ok);

    // Eras: 令和 months in a 令和 claim month; a month the era does not have.
    const std::optional<Date> reiwa = Date{2026, 2, 1};
    EXPECT_EQ(CheckTreatmentMonthTexts("令和", "08", "01", reiwa, true), MonthVerdict::Ok);
    EXPECT_EQ(CheckTreatmentMonthTexts("令和", "01", "04", reiwa, false), MonthVerdict::NotDate);
    EXPECT_EQ(CheckTreatmentMonthTexts("", "08", "01", reiwa, true), MonthVerdict::NotDate);
}

TEST(EntryKeyChecks, Messages) {
    EXPECT_EQ(MonthVerdictMessage(MonthVerdict::NotDate, true), "実診療年月の入力に誤りがあります。　\r");
    EXPECT_EQ(MonthVerdictMessage(MonthVerdict::NotDate, false), "実診療年月の入力に誤りがあります\r");
    EXPECT_EQ(MonthVerdictMessage(MonthVerdict::TooOld, false),
              "実診療年月が、平成19年2月以前のものは入力できません。　\r");
    EXPECT_EQ(DuplicateQuestion(),
              "同一の診療データが存在します。このまま登録してもよろしいですか？\r\n（参照ボタンで確認できます。）\r");
}

TEST(EntryKeyChecks, RecipientCheckDigit) {
    EXPECT_TRUE(RecipientNumberPlausible("1", "000012341"));
    EXPECT_TRUE(RecipientNumberPlausible("01", "000012341"));
    EXPECT_FALSE(RecipientNumberPlausible("1", "000012345"));
    EXPECT_FALSE(RecipientNumberPlausible("2", "000012341"));
    EXPECT_TRUE(RecipientNumberPlausible("1", ""));
}

TEST(EntryAmounts, Parse) {
    EXPECT_EQ(ParseAmount("1,234"), 1234);
    EXPECT_EQ(ParseAmount(" 0 "), 0);
    EXPECT_EQ(ParseAmount(""), std::nullopt);
    EXPECT_EQ(ParseAmount(","), std::nullopt);
    EXPECT_EQ(ParseAmount("-5"), std::nullopt);
    EXPECT_EQ(ParseAmount("1.5"), std::nullopt);
}

}  // namespace
}  // namespace hotaru::entry
