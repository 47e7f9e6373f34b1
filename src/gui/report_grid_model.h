// The report table as a Qt table model: row 0 of the grid is the header, data row r of the grid is
// model row r - 1. Cell texts are read from the grid when a row is drawn; nothing is copied.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <cstdint>

#include "reports/var_grid.h"

namespace vestrel::gui {

// The list view's colours of the painting rules.
QColor OddRowColour();
QColor EvenRowColour();
// The font role of a cell: a bold font, or none for the view's own.
QVariant BoldFontIf(bool bold);

class TReportGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TReportGridModel(TVarGrid& grid, QObject* parent = nullptr);

    // The grid was refilled; `reportKind` chooses the painting rules.
    void Refresh(uint8_t reportKind);
    // A title click: toggles the column's order and sorts by it with the grid's own sort. Raises
    // the grid's error when the column cannot be sorted.
    void SortByTitleClick(int column);
    const TVarGrid& Grid() const { return grid_; }
    uint8_t ReportKind() const { return reportKind_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QVariant Background(int col, int row) const;
    bool IsBoldRow(int row) const;

    TVarGrid& grid_;
    uint8_t reportKind_ = 0;
};

}  // namespace vestrel::gui
