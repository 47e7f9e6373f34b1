#include "shell/host_lookup.h"

namespace vestrel {

namespace {

bool CountsAsAddress(const std::string& text) {
    return !text.empty() && text[0] >= '1' && text[0] <= '9';
}

}  // namespace

std::string AddressAtRow(const TLogAnalyzer* analyzer, const TVarGrid& grid, int gridRow,
                         bool logGrid) {
    std::string text;
    if (logGrid) {
        if (analyzer != nullptr && gridRow >= 1 && gridRow <= analyzer->HitCount)
            text = analyzer->HitFieldText(0, gridRow - 1);
    } else if (gridRow >= 1 && gridRow < grid.RowCount() && grid.ColCount() > 0) {
        text = grid.GetText(0, gridRow);
    }
    return CountsAsAddress(text) ? text : std::string();
}

void NameAddressAtRow(TLogAnalyzer* analyzer, TVarGrid& grid, int gridRow, bool logGrid,
                      const std::string& address, const std::string& name) {
    if (logGrid) {
        if (analyzer != nullptr) analyzer->SetHostName(gridRow - 1, name);
        return;
    }
    for (int row = 1; row < grid.RowCount(); ++row)
        if (grid.GetText(0, row) == address) grid.SetText(0, row, name);
}

}  // namespace vestrel
