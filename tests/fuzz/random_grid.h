// A report grid made from fuzz input the way the statistics fill theirs: columns of any cell
// type, a title row, group heading rows, cells set through every setter, and maybe a sort.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "reports/var_grid.h"

namespace vestrel::fuzz {

inline constexpr TCellType kCellTypes[] = {ctBlank,     ctInteger, ctFloat, ctPercent, ctDate,
                                           ctEmptyText, ctText,    ctTime,  ctDateTime};

// Small counts, day numbers of the years 1 to 9999, or any finite number.
inline double RandomValue(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            return input.ConsumeIntegralInRange(-1000, 100000);
        case 1:
            return input.ConsumeFloatingPointInRange(-693593.0, 2958465.99);
        default:
            return input.ConsumeFloatingPoint<double>();
    }
}

inline void SetRandomCell(TVarGrid& grid, FuzzedDataProvider& input) {
    const int col = input.ConsumeIntegralInRange(0, grid.ColCount() - 1);
    const int row = input.ConsumeIntegralInRange(1, grid.RowCount() - 1);
    switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0:
            grid.SetInt(col, row, input.ConsumeIntegral<int32_t>());
            break;
        case 1:
            grid.SetFloat(col, row, RandomValue(input));
            break;
        case 2:
            grid.SetDateTime(col, row, RandomValue(input));
            break;
        case 3:
            grid.SetText(col, row, input.ConsumeRandomLengthString(300));
            break;
        case 4:
            grid.SetCellType(col, row, input.PickValueInArray(kCellTypes));
            break;
        default:
            grid.IncInt(col, row);
            break;
    }
}

inline void DefineRandomColumns(TVarGrid& grid, FuzzedDataProvider& input) {
    for (int col = 0; col < grid.ColCount(); ++col) {
        grid.SetColType(col, input.PickValueInArray(kCellTypes));
        grid.SetColDecimals(col, input.ConsumeIntegralInRange(0, 6));
        grid.SetColWidth(col, input.ConsumeIntegralInRange(0, 2000));
        grid.SetText(col, 0, input.ConsumeRandomLengthString(40));
    }
}

inline void AddRandomGroupRows(TVarGrid& grid, FuzzedDataProvider& input) {
    if (grid.RowCount() < 2 || !input.ConsumeBool()) return;
    grid.AddSubGroupLevel();
    const int groups = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < groups; ++i) {
        const int row = input.ConsumeIntegralInRange(1, grid.RowCount() - 1);
        grid.AddSubGroupRow(row, 1);
        grid.SetCellType(0, row, ctText);
        grid.SetText(0, row, input.ConsumeRandomLengthString(40));
    }
}

// Grid errors (a value the cell type cannot take, a column that cannot be sorted) are the grid's
// own answers and leave the grid as it was.
inline TVarGrid RandomGrid(FuzzedDataProvider& input) {
    TVarGrid grid;
    grid.ZerosAsBlank = input.ConsumeBool();
    grid.SetColCount(input.ConsumeIntegralInRange(0, 12));
    grid.SetRowCount(input.ConsumeIntegralInRange(grid.ColCount() > 0 ? 1 : 0, 40));
    if (grid.ColCount() == 0) return grid;
    DefineRandomColumns(grid, input);
    AddRandomGroupRows(grid, input);
    const int changes = grid.RowCount() > 1 ? input.ConsumeIntegralInRange(0, 200) : 0;
    for (int i = 0; i < changes && input.remaining_bytes() > 0; ++i) {
        try {
            SetRandomCell(grid, input);
        } catch (const EGridError&) {
        }
    }
    if (input.ConsumeBool()) {
        try {
            grid.SortBy(input.ConsumeIntegralInRange(0, grid.ColCount() - 1), input.ConsumeBool());
        } catch (const EGridError&) {
        }
    }
    return grid;
}

}  // namespace vestrel::fuzz
