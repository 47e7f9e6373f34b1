// The three renderings of a report table that the Copy command places on the clipboard, in this
// order: RTF (format "Rich Text Format"), SYLK and plain text. Each is the text without the
// terminating zero byte the clipboard adds.
#pragma once

#include <string>
#include <string_view>

#include "reports/var_grid.h"

namespace vestrel {

inline constexpr std::string_view kRtfClipboardFormat = "Rich Text Format";

// The whole grid as an RTF document without a title, its table 18 cm wide.
std::string ClipboardRtf(const TVarGrid& grid);
// The whole grid as a SYLK sheet: headings in row 1, numbers with "." as decimal separator.
std::string ClipboardSylk(const TVarGrid& grid);
// Every row, headings included, cells ended by TAB and rows by CR LF.
std::string ClipboardText(const TVarGrid& grid);

struct TClipboardCopy {
    std::string Rtf;
    std::string Sylk;
    std::string Text;
};

TClipboardCopy CopyToClipboard(const TVarGrid& grid);

}  // namespace vestrel
