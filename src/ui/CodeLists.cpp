#include "ui/CodeLists.h"

#include <QComboBox>
#include <QListWidget>

#include "common/Errors.h"
#include "common/Text.h"
#include "data/Connection.h"

namespace hotaru::ui {

namespace {

template <class Add>
bool fill(const std::string& source, const data::Params& params, Add add) {
    return hotaru::Trap([&] {
        auto rs = DB().OpenRecordset(source, data::dbOpenSnapshot, params);
        while (!rs.isEOF()) {
            // Codes are small whole numbers; a wider one is an overflow as it always was.
            long long code = rs["code"].toInt();
            if (code < -32768 || code > 32767) throw AppError(err::Overflow, "オーバーフローしました。");
            add(static_cast<int>(code), MakeEntry(code, rs["name"].str()));
            rs.MoveNext();
        }
        rs.Close();
    });
}

}  // namespace

bool FillCodeList(const std::string& source, QComboBox* list, const data::Params& params) {
    return fill(source, params, [list](int code, const std::string& entry) {
        list->addItem(QString::fromStdString(entry), code);
    });
}

bool FillCodeList(const std::string& source, QListWidget* list, const data::Params& params) {
    return fill(source, params, [list](int code, const std::string& entry) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry));
        item->setData(Qt::UserRole, code);
        list->addItem(item);
    });
}

bool SelectComboByCode(QComboBox* combo, const std::string& code) {
    bool found = false;
    hotaru::Trap([&] {
        if (Trim(code).empty()) return;
        for (int i = 0; i < combo->count(); ++i) {
            if (EntryKey(combo->itemText(i).toStdString()) == code) {
                combo->setCurrentIndex(i);
                found = true;
                return;
            }
        }
    });
    return found;
}

std::optional<int> ItemCode(const QComboBox* combo, int row) {
    if (!combo || row < 0 || row >= combo->count()) return std::nullopt;
    QVariant v = combo->itemData(row);
    if (!v.isValid()) return std::nullopt;
    return v.toInt();
}

std::optional<int> ItemCode(const QListWidget* list, int row) {
    if (!list || row < 0 || row >= list->count()) return std::nullopt;
    QVariant v = list->item(row)->data(Qt::UserRole);
    if (!v.isValid()) return std::nullopt;
    return v.toInt();
}

std::optional<int> SelectedCode(const QComboBox* combo) {
    return combo ? ItemCode(combo, combo->currentIndex()) : std::nullopt;
}

std::optional<int> SelectedCode(const QListWidget* list) {
    return list ? ItemCode(list, list->currentRow()) : std::nullopt;
}

std::string SelectedText(const QComboBox* combo) {
    if (!combo || combo->currentIndex() < 0) return {};
    return combo->currentText().toStdString();
}

}  // namespace hotaru::ui
