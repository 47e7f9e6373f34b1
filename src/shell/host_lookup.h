// The "DNS lookup IP at cursor" button: which address the row under the cursor holds, and where
// the name found for it goes. The log grid shows the hit store (hit = row - 1, host in column 0);
// a report table shows its grid, whose first cell holds the host.
#pragma once

#include <string>

#include "engine/log_analyzer.h"
#include "reports/var_grid.h"

namespace vestrel {

// The row's host text when it begins with a digit 1..9, else the empty text (nothing to look up).
std::string AddressAtRow(const TLogAnalyzer* analyzer, const TVarGrid& grid, int gridRow,
                         bool logGrid);
// The log grid: every hit of the row's host shows the name. A report table: every row whose first
// cell is the address shows the name there.
void NameAddressAtRow(TLogAnalyzer* analyzer, TVarGrid& grid, int gridRow, bool logGrid,
                      const std::string& address, const std::string& name);

}  // namespace vestrel
