#pragma once
// Lists and drop-downs filled from the code tables: entries "code:name" with
// the code as the entry's item data (Qt::UserRole).
#include <optional>
#include <string>

#include "data/Database.h"
#include "ui/CodeEntry.h"

class QComboBox;
class QListWidget;

namespace hotaru::ui {

// Appends one entry per row of `source` (a table name or a SELECT statement,
// with its "?" values in params) read from gDB; the list is not cleared first.
// False, after the standard error message, when the source cannot be read.
bool FillCodeList(const std::string& source, QComboBox* list, const data::Params& params = {});
bool FillCodeList(const std::string& source, QListWidget* list, const data::Params& params = {});

// Selects the first entry whose key (the text before its first ":", or the
// whole entry) equals code exactly.  False, with the selection left as it
// was, when code is blank or no entry has it.
bool SelectComboByCode(QComboBox* combo, const std::string& code);

// The item data of the selected entry; nullopt when nothing is selected
// (never code 0 for an empty drop-down).
std::optional<int> SelectedCode(const QComboBox* combo);
std::optional<int> SelectedCode(const QListWidget* list);
// The item data of an entry by row.
std::optional<int> ItemCode(const QComboBox* combo, int row);
std::optional<int> ItemCode(const QListWidget* list, int row);
// The text of the selected entry ("" when nothing is selected).
std::string SelectedText(const QComboBox* combo);

}  // namespace hotaru::ui
