#include "gui/targets_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/report_grid_model.h"
#include "gui/report_pages.h"

namespace vestrel::gui {

void FillTargetsGrid(TVarGrid& grid, const TReachedTargets& targets) {
    grid.Clear();
    grid.SortOnTitleClick = false;
    grid.SetColCount(2);
    grid.SetRowCount(static_cast<int>(targets.size()) + 1);
    DefineColumn(grid, 0, "File", ctText, 154);
    DefineColumn(grid, 1, "Count", ctInteger, 64);
    for (size_t i = 0; i < targets.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetText(0, row, targets[i].first);
        grid.SetInt(1, row, targets[i].second);
    }
}

TfrmTargets::TfrmTargets(const TReachedTargets& targets, QWidget* parent) : QDialog(parent) {
    setObjectName("frmTargets");
    setWindowTitle("Targets");
    FillTargetsGrid(grid_, targets);
    auto* model = new TReportGridModel(grid_, this);
    model->Refresh(0);
    table_ = new QTableView(this);
    table_->setObjectName("grdTargets");
    table_->setModel(model);
    SetUpGridView(*table_);
    const double scale = ColumnWidthScale(*this);
    for (int col = 0; col < grid_.ColCount(); ++col)
        table_->setColumnWidth(col, static_cast<int>(grid_.GetColWidth(col) * scale));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(static_cast<int>((grid_.GetColWidth(0) + grid_.GetColWidth(1)) * scale) + 48, 280);
}

void ShowTargets(QWidget* parent, const TReachedTargets& targets) {
    if (targets.empty()) return;
    TfrmTargets dialog(targets, parent);
    dialog.exec();
}

}  // namespace vestrel::gui
