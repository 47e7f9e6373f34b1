// Writing a statistic's table to standard output: display texts as TSV, raw values as TSV, or
// JSON for scripts.
#pragma once

#include <cstdio>
#include <string>

#include "reports/var_grid.h"

namespace vestrel {
class TLogAnalyzer;
}

namespace vestrel::cli {

// A read-only table: a report grid, or the log data drawn straight from the hit store.
class TTableView {
  public:
    virtual ~TTableView() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;  // including the title row 0
    virtual std::string Title(int col) const = 0;
    virtual TCellType ColType(int col) const = 0;
    virtual int ColDecimals(int col) const = 0;
    virtual TCellType CellType(int col, int row) const = 0;
    virtual std::string Text(int col, int row) const = 0;  // the display text
    virtual double Number(int col, int row) const = 0;     // the value of a numeric cell
    virtual bool IsGroupRow(int row) const = 0;
};

class TGridView : public TTableView {
  public:
    explicit TGridView(const TVarGrid& grid) : grid_(grid) {}
    int ColCount() const override { return grid_.ColCount(); }
    int RowCount() const override { return grid_.RowCount(); }
    std::string Title(int col) const override { return grid_.GetText(col, 0); }
    TCellType ColType(int col) const override { return grid_.GetColType(col); }
    int ColDecimals(int col) const override { return grid_.GetColDecimals(col); }
    TCellType CellType(int col, int row) const override { return grid_.GetCellType(col, row); }
    std::string Text(int col, int row) const override { return grid_.GetText(col, row); }
    double Number(int col, int row) const override { return grid_.GetFloat(col, row); }
    bool IsGroupRow(int row) const override { return grid_.IsGroupRow(row); }

  private:
    const TVarGrid& grid_;
};

// Every hit of the store as the ten log-data columns.
class TLogDataView : public TTableView {
  public:
    explicit TLogDataView(const TLogAnalyzer& analyzer);
    int ColCount() const override;
    int RowCount() const override;
    std::string Title(int col) const override;
    TCellType ColType(int col) const override;
    int ColDecimals(int) const override { return 0; }
    TCellType CellType(int col, int) const override { return ColType(col); }
    std::string Text(int col, int row) const override;
    double Number(int col, int row) const override;
    bool IsGroupRow(int) const override { return false; }

  private:
    const TLogAnalyzer& analyzer_;
    TVarGrid titles_;
};

enum class TTableFormat { Tsv, Values, Json };

void WriteTable(const TTableView& table, TTableFormat format, const std::string& title,
                std::FILE* out);

}  // namespace vestrel::cli
