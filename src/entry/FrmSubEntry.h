#pragma once
// 参照: the branches that the child already has for the treatment month in
// the claim month (from WK_データ), at most ten.  A double-click (or Enter)
// on a branch number loads that branch into the entry window for
// correction; 追加 prepares a new branch; 戻る goes back.
#include <array>

#include <QPointer>

#include "ui/Form.h"

class QLineEdit;
class QPushButton;

namespace hotaru::entry {

class FrmEntry;

class FrmSubEntry : public ui::Form {
    Q_OBJECT
public:
    static constexpr int kRows = 10;
    explicit FrmSubEntry(FrmEntry* entry);

    // Txt_edaban_DblClick: loads the branch of grid row `row`.
    void pickBranch(int row);
    // Cmd_tuika_Click: a new branch, one above the highest.
    void addBranch();
    // Cmd_modoru_Click.
    void goBack();
    // The entry window is closing: leave it alone from now on.
    void detach() { entry_ = nullptr; }

    std::array<QLineEdit*, kRows> Txt_edaban{}, Txt_simei{}, Txt_hoken{}, Txt_goukei{}, Txt_jiko{};
    QPushButton* Cmd_tuika;
    QPushButton* Cmd_modoru;

protected:
    bool formKeyDown(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void fill();
    int rowOf(const QWidget* w) const;
    // Leaves: the entry window comes back (with Txt_Total focused after a pick or 追加).
    void finish(bool focusTotal);

    QPointer<FrmEntry> entry_;
    bool focusTotal_ = false;
};

}  // namespace hotaru::entry
