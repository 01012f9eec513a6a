#pragma once
// Rep_Itiran: the claim list (一覧表) of the current claim month, one line
// per claim row, with running numbers, page numbers and the total count.
// It runs gListSQL with gRequestText on gDB.
#include <optional>
#include <vector>

#include "common/Date.h"
#include "report/ClaimList.h"
#include "report/Report.h"

namespace hotaru::report {

class RepItiran : public Report {
public:
    RepItiran();

    // The print date of the page header; today when not set.
    void setPrintDate(const Date& date) { printDate_ = date; }
    long rowNo() const { return rowNo_; }

protected:
    void reportStart() override;
    void fetchData(bool& eof) override;
    void pageHeaderFormat() override;
    void reportFooterFormat() override;
    void queryClose() override;

private:
    std::vector<ClaimListRow> rows_;
    std::size_t next_ = 0;
    long rowNo_ = 0;
    bool pointsKind_ = false;
    std::optional<Date> printDate_;
};

}  // namespace hotaru::report
