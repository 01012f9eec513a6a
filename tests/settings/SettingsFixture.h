#pragma once
// A fresh program folder for the settings windows, with helpers to seed and
// read the settings row and the claim rows.
#include <gtest/gtest.h>

#include <string>

#include <QApplication>
#include <QTest>

#include "data/Connection.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/UiTestSupport.h"

namespace hotaru::test {

class SettingsFixture : public ::testing::Test {
protected:
    ProgramFolder folder;

    ScriptedMessages& messages() { return folder.messages(); }

    long count(const std::string& sql, const data::Params& p = {}) {
        return static_cast<long>(DB().Scalar(sql, p).toInt());
    }
    data::Value setting(const std::string& field) {
        return DB().Scalar("SELECT " + field + " FROM T_設定");
    }

    // Kind 1, number 46-1-1234560 (its check digit is right), claim month
    // 2008/05, last export folder /media/fd.
    void seedSettings(const std::string& request = "2008-05-01") {
        DB().Execute(
            "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, "
            "path, Ver) VALUES (1, '46', '1', '1234560', '', 'ほたる医院', 2, 2, 20, ?, '/media/fd', 1.1)",
            {data::Value::date(request)});
    }
    void addClaimRow(const std::string& recipient, const std::string& request) {
        DB().Execute(
            "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) VALUES ('1', ?, ?, 1, "
            "100, 300, ?)",
            {data::Value(recipient), data::Value::date(request), data::Value::date(request)});
    }

    // Japanese text arrives as the input method's commit, as it does when typed.
    static void Compose(const QString& text) { Commit(text); }
    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    static QWidget* Focused() { return QApplication::focusWidget(); }
};

}  // namespace hotaru::test
