// A month typed through the windows as staff type it: thirty children, some
// with two or three branches, every key from the keyboard.  Afterwards the
// claim rows must be exactly what was typed.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "EntryWindowHarness.h"
#include "common/Numeric.h"
#include "ui/CheckDigit.h"

namespace hotaru::test {
namespace {

struct Typed {
    std::string city, recipient;
    int month = 0;
    int eda = 0;
    long long total = 0, payment = 0;
    int insurance = 0;
    std::string insuranceNo;
    int ratio = 0;
    int treatment = 0;
    std::string publicPay1, publicPay2;
};

const char* kFullDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};

std::string FullWidthNumber(int n) { return std::string(kFullDigits[n / 10]) + kFullDigits[n % 10]; }

class MonthScript : public EntryWindow {
public:
    // The reference window comes up active; Enter there is 追加.
    void addBranchByKeys() {
        ASSERT_EQ(focus(), w->Cmd_Link);
        enter();
        entry::FrmSubEntry* ref = findReference();
        ASSERT_NE(ref, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(ref));
        ASSERT_EQ(focus(), ref->Cmd_tuika);
        enter();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.data()));
        ASSERT_EQ(focus(), w->Txt_Total);
    }
};

TEST_F(MonthScript, ThirtyChildrenTypedAndStored) {
    std::vector<Typed> typed;
    const std::vector<int> cities{7, 8, 9, 1, 12, 23, 34, 45, 6, 49};
    for (int child = 0; child < 30; ++child) {
        const int city = cities[child % cities.size()];
        const std::string cityText = std::to_string(city);
        char body[9];
        std::snprintf(body, sizeof body, "%08d", 1000 + child * 37);
        const std::string recipient =
            std::string(body) + ui::ComputeCheckDigit(FormatText(cityText, "00") + "1" + body);
        const int month = 1 + child % 4;  // 平成20年01月 .. 04月, claim month 05
        const int branches = child % 3 == 0 ? 3 : child % 5 == 0 ? 2 : 1;
        const int ratio = 1 + child % 3;
        const int insurance = child % 4 == 1 ? 3 : 2;  // 3:退職 picked with Down for some
        const std::string insuranceNo = "3" + std::to_string(1000000 + child);

        for (int b = 1; b <= branches; ++b) {
            SCOPED_TRACE("child " + std::to_string(child) + " branch " + std::to_string(b));
            Typed t;
            t.city = cityText;
            t.recipient = recipient;
            t.month = month;
            t.eda = b;
            t.total = 100 + child * 13 + b * 1000;
            t.payment = t.total * ratio + (b == 2 ? 100 : 0);  // the band's edge passes without a question
            t.insurance = b == 1 ? insurance : 2;            // 追加 takes the institution's default
            t.insuranceNo = insuranceNo;
            t.ratio = ratio;
            t.treatment = b == 1 ? 20 : b == 2 ? 10 : 31;
            t.publicPay1 = child % 7 == 0 ? "0" + std::to_string(b) : "";
            t.publicPay2 = child % 14 == 0 ? "21" : "";

            typeKey(cityText.c_str(), recipient.c_str(), "20", ("0" + std::to_string(month)).c_str());
            ASSERT_TRUE(w->keyLocked);
            ASSERT_EQ(text(w->Txt_Eda), std::to_string(b));
            Detail d;
            const std::string name = "じどう" + FullWidthNumber(child);
            const std::string bdYear = (child % 2 ? "18" : "19");
            const std::string bdMonth = "0" + std::to_string(1 + child % 9);
            const std::string total = std::to_string(t.total), payment = std::to_string(t.payment);
            const std::string treatment = std::to_string(t.treatment), rate = std::to_string(ratio);
            d.name = name.c_str();
            d.bdYear = bdYear.c_str();
            d.bdMonth = bdMonth.c_str();
            d.bdDay = "28";
            d.insuranceNo = t.insuranceNo.c_str();
            d.rate = rate.c_str();
            d.total = total.c_str();
            d.payment = payment.c_str();
            d.treatment = treatment.c_str();
            d.publicPay1 = t.publicPay1.c_str();
            d.publicPay2 = t.publicPay2.c_str();
            if (b == 1) {
                ASSERT_EQ(focus(), w->Txt_Name);
                // Name to birth date, then the insurance kind with the arrow keys.
                type(d.name);
                enter();
                enter();
                type(d.bdYear);
                type(d.bdMonth);
                type(d.bdDay);
                ASSERT_EQ(focus(), w->Cbo_Insurance);
                if (insurance == 3) Press(Qt::Key_Down);
                enter();
                type(d.insuranceNo);
                ASSERT_EQ(focus(), w->Cbo_Hospitalization);
                enter();
                type(d.rate);
            } else {
                addBranchByKeys();
            }
            typeDetail(d);
            enter();  // 登録
            ASSERT_FALSE(w->keyLocked) << "not registered";
            ASSERT_EQ(focus(), w->Txt_City);
            typed.push_back(t);
        }
    }
    // Only the confirmations and completion notices were shown.
    for (const auto& m : folder.messages().shown)
        EXPECT_TRUE(m.title == "登録確認" || m.title == "処理確認") << m.title << ": " << m.prompt;
    EXPECT_EQ(shown("処理確認").size(), typed.size());

    auto rs = DB().OpenRecordset("SELECT * FROM T_データ ORDER BY code, recipient, diagnosis, eda", data::dbOpenSnapshot);
    ASSERT_EQ(rs.RecordCount(), static_cast<long>(typed.size()));
    std::map<std::tuple<std::string, std::string, int, int>, Typed> byKey;
    for (const Typed& t : typed) byKey[{t.city, t.recipient, t.month, t.eda}] = t;
    for (; !rs.isEOF(); rs.MoveNext()) {
        auto date = rs["diagnosis"].toDate();
        ASSERT_TRUE(date);
        auto it = byKey.find({rs["code"].str(), rs["recipient"].str(), date->month, static_cast<int>(rs["eda"].toInt())});
        ASSERT_NE(it, byKey.end()) << rs["code"].str() << " " << rs["recipient"].str();
        const Typed& t = it->second;
        SCOPED_TRACE(t.city + "/" + t.recipient + " branch " + std::to_string(t.eda));
        EXPECT_EQ(rs["diagnosis"].rawText(), "2008-0" + std::to_string(t.month) + "-01");
        EXPECT_EQ(rs["request"].rawText(), "2008-05-01");
        EXPECT_EQ(rs["total"].rawInt(), t.total);
        EXPECT_EQ(rs["payment"].rawInt(), t.payment);
        EXPECT_EQ(rs["insurance"].toInt(), t.insurance);
        EXPECT_EQ(rs["insurance_no"].str(), t.insuranceNo);
        EXPECT_EQ(rs["hospitalization"].toInt(), 2);
        EXPECT_EQ(rs["ratio"].toInt(), t.ratio);
        EXPECT_EQ(rs["treatment"].toInt(), t.treatment);
        EXPECT_EQ(rs["PublicPay1"].isNull(), t.publicPay1.empty());
        EXPECT_EQ(rs["PublicPay1"].str(), t.publicPay1);
        EXPECT_EQ(rs["PublicPay2"].str(), t.publicPay2);
        byKey.erase(it);
    }
    EXPECT_TRUE(byKey.empty());
    EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 30);
    EXPECT_EQ(count("SELECT count(*) FROM T_基本 WHERE name Like 'じどう*'"), 30);
}

}  // namespace
}  // namespace hotaru::test
