#pragma once
// A fresh program folder for the settings windows, with helpers to open a
// window, seed the settings and claim rows, and read them back whole.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>

#include "data/Connection.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"

namespace hotaru::test {

using Lines = std::vector<std::string>;

template <class W>
class SettingsFixture : public ::testing::Test {
protected:
    ProgramFolder folder;
    W* win = nullptr;
    std::unique_ptr<W> owned;

    ScriptedMessages& messages() { return folder.messages(); }
    // The window is deleted on close; the tests keep it open.
    W* open() {
        owned.reset();
        win = new W;
        win->setAttribute(Qt::WA_DeleteOnClose, false);
        owned.reset(win);
        EXPECT_TRUE(ShowActive(*win));
        return win;
    }
    // Every message shown since the last clear, as title|style|prompt; clears them.
    Lines said() {
        Lines p;
        for (const auto& s : messages().shown) p.push_back(Msg(s));
        messages().clear();
        return p;
    }
    // Scripts the answers to the questions to come and clicks 登録.
    void reg(std::initializer_list<int> answers = {}) {
        for (int a : answers) messages().answer(a);
        Click(win->Cmd_Reg);
    }
    long count(const std::string& sql) { return static_cast<long>(DB().Scalar(sql).toInt()); }
    std::string settingsRow() {
        const auto rows = QuotedRows("type,kencd,tencd,no,eda,name,insurance,hospitalization,treatment,request,path",
                                     "FROM T_設定");
        return rows.empty() ? "" : rows[0];
    }
    std::string claimMonths() {
        return DB().Scalar("SELECT group_concat(request, ',') FROM (SELECT request FROM T_データ ORDER BY request)").str();
    }

    // Kind 1, number 46-1-1234560 (its check digit is right), claim month
    // 2008/05, last export folder /media/fd.
    void seedSettings(const std::string& request = "2008-05-01") {
        PutSettings({.no = "1234560", .eda = "", .name = "ほたる医院", .insurance = 2, .hospitalization = 2,
                     .treatment = 20, .request = Date::fromIso(request), .path = "/media/fd"});
    }
    void addClaimRows(std::initializer_list<const char*> months) {
        int n = 0;
        for (const char* m : months)
            DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) VALUES "
                         "('1', ?, ?, 1, 100, 300, ?)",
                         {data::Value("00000000" + std::to_string(++n)), data::Value::date(m), data::Value::date(m)});
    }

    static QWidget* Focused() { return QApplication::focusWidget(); }
};

}  // namespace hotaru::test
