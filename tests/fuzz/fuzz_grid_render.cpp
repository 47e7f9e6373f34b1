// The renderings of a random report grid: HTML, RTF, and the clipboard's RTF, SYLK and plain
// text. No cell text may break the structure of a rendering.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "output/clipboard_render.h"
#include "output/html_render.h"
#include "output/rtf_render.h"
#include "random_grid.h"

using namespace vestrel;

namespace {

// The groups of an RTF document are the header's and the tail's: a report block opens or
// closes none (an escaped brace is text), and ends outside a control word.
void CheckRtfBlock(std::string_view rtf) {
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            fuzz::Check(++i < rtf.size(), "RTF block ends in a backslash");
        } else {
            fuzz::Check(rtf[i] != '{' && rtf[i] != '}', "RTF block opens or closes a group");
        }
    }
}

// The markup of a table line is the renderer's own: cell texts add no "<" or ">".
void CheckHtmlLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        fuzz::Check(
            std::count(line.begin(), line.end(), '<') == std::count(line.begin(), line.end(), '>'),
            "HTML tags closed on their line");
    }
}

// Records of one line each, of the types the sheet uses, the closing "E" last.
void CheckSylk(std::string_view sylk) {
    fuzz::Check(sylk.ends_with("\r\nE"), "SYLK ends with E");
    sylk.remove_suffix(1);
    while (!sylk.empty()) {
        const size_t end = sylk.find("\r\n");
        fuzz::Check(end != std::string_view::npos, "SYLK record ended by CR LF");
        const std::string_view record = sylk.substr(0, end);
        fuzz::Check(record.find_first_of("\r\n") == std::string_view::npos,
                    "SYLK record on one line");
        const std::string_view type = record.substr(0, record.find(';'));
        fuzz::Check(type == "ID" || type == "P" || type == "F" || type == "C", "SYLK record type");
        sylk.remove_prefix(end + 2);
    }
}

void CheckPlainText(const TVarGrid& grid, std::string_view text) {
    const auto rows = static_cast<size_t>(grid.RowCount());
    fuzz::Check(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) == rows &&
                    static_cast<size_t>(std::count(text.begin(), text.end(), '\r')) == rows,
                "one CR LF per row");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string title = input.ConsumeRandomLengthString(60);
    const TVarGrid grid = fuzz::RandomGrid(input);

    CheckHtmlLines(RenderHtmlTable(grid, title));
    CheckHtmlLines(HtmlViewPage(grid, title));
    CheckRtfBlock(RenderRtfReport(grid, title));
    const TClipboardCopy copy = CopyToClipboard(grid);
    CheckRtfBlock(RtfTable(grid, 18));
    CheckSylk(copy.Sylk);
    CheckPlainText(grid, copy.Text);
    return 0;
}
