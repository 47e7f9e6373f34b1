// "Targets": the targets reached after the referrals of the selected referrer row, with counts.
#pragma once

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "reports/var_grid.h"

class QTableView;

namespace vestrel::gui {

using TReachedTargets = std::vector<std::pair<std::string, int>>;

// The dialog's table: "File" and "Count", one row per target, not sorted by title clicks.
void FillTargetsGrid(TVarGrid& grid, const TReachedTargets& targets);

class TfrmTargets : public QDialog {
    Q_OBJECT

  public:
    TfrmTargets(const TReachedTargets& targets, QWidget* parent = nullptr);
    QTableView* Table() const { return table_; }

  private:
    TVarGrid grid_;
    QTableView* table_;
};

// Shows the dialog modally; nothing is shown when no target was reached.
void ShowTargets(QWidget* parent, const TReachedTargets& targets);

}  // namespace vestrel::gui
