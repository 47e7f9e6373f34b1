#include "cli/table_output.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/load_commands.h"
#include "engine/date_time.h"
#include "engine/log_analyzer.h"
#include "engine/text_encoding.h"
#include "reports/log_data_reports.h"

namespace vestrel::cli {

namespace {

using nlohmann::json;

std::string Two(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string DateValue(double t) {
    const TDateParts p = DecodeDateTime(t);
    return std::to_string(p.Year) + "-" + Two(p.Month) + "-" + Two(p.Day);
}

std::string ClockValue(const TDateParts& p) {
    return Two(p.Hour) + ":" + Two(p.Minute) + ":" + Two(p.Second);
}

// "HH:MM:SS", or "Nd HH:MM:SS" past a day.
std::string DurationValue(double days) {
    const double whole = std::trunc(days);
    const std::string clock = ClockValue(DecodeDateTime(days - whole));
    return whole >= 1 ? std::to_string(static_cast<long long>(whole)) + "d " + clock : clock;
}

std::string NumberValue(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// The raw value of a cell as text; empty for blank and unassigned cells.
std::string RawText(const TTableView& table, int col, int row) {
    switch (table.CellType(col, row)) {
        case ctInteger:
            return std::to_string(std::llround(table.Number(col, row)));
        case ctFloat:
        case ctPercent:
            return NumberValue(table.Number(col, row));
        case ctDate:
            return DateValue(table.Number(col, row));
        case ctDateTime: {
            const double t = table.Number(col, row);
            return DateValue(t) + " " + ClockValue(DecodeDateTime(t));
        }
        case ctTime:
            return DurationValue(table.Number(col, row));
        case ctText:
            return PrintableUtf8(table.Text(col, row));
        default:
            return {};
    }
}

json RawJson(const TTableView& table, int col, int row) {
    switch (table.CellType(col, row)) {
        case ctInteger:
            return std::llround(table.Number(col, row));
        case ctFloat:
        case ctPercent:
            return table.Number(col, row);
        case ctBlank:
        case ctEmptyText:
            return nullptr;
        default:
            return RawText(table, col, row);
    }
}

const char* TypeName(TCellType type) {
    switch (type) {
        case ctBlank:
            return "blank";
        case ctInteger:
            return "integer";
        case ctFloat:
            return "float";
        case ctPercent:
            return "percent";
        case ctDate:
            return "date";
        case ctTime:
            return "time";
        case ctDateTime:
            return "datetime";
        default:
            return "text";
    }
}

void WriteTsv(const TTableView& table, bool values, std::FILE* out) {
    std::string line;
    for (int row = 0; row < table.RowCount(); ++row) {
        line.clear();
        for (int col = 0; col < table.ColCount(); ++col) {
            if (col > 0) line += '\t';
            const bool raw = values && row > 0;
            AppendEscaped(line,
                          raw ? RawText(table, col, row)
                              : PrintableUtf8(row == 0 ? table.Title(col) : table.Text(col, row)));
        }
        if (values) line += row == 0 ? "\tgroup" : (table.IsGroupRow(row) ? "\t1" : "\t0");
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
    }
}

void WriteJson(const TTableView& table, const std::string& title, std::FILE* out) {
    json document = {
        {"title", PrintableUtf8(title)}, {"columns", json::array()}, {"rows", json::array()}};
    for (int col = 0; col < table.ColCount(); ++col)
        document["columns"].push_back({{"title", PrintableUtf8(table.Title(col))},
                                       {"type", TypeName(table.ColType(col))},
                                       {"decimals", table.ColDecimals(col)}});
    for (int row = 1; row < table.RowCount(); ++row) {
        json cells = json::array();
        for (int col = 0; col < table.ColCount(); ++col) cells.push_back(RawJson(table, col, row));
        document["rows"].push_back(
            {{"values", std::move(cells)}, {"group", table.IsGroupRow(row)}});
    }
    const std::string text = document.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

TLogDataView::TLogDataView(const TLogAnalyzer& analyzer) : analyzer_(analyzer) {
    DefineLogDataColumns(titles_, kDefaultLogDataWidths);
}

int TLogDataView::ColCount() const {
    return static_cast<int>(kLogDataColumns);
}
int TLogDataView::RowCount() const {
    return analyzer_.HitCount + 1;
}
std::string TLogDataView::Title(int col) const {
    return titles_.GetText(col, 0);
}
TCellType TLogDataView::ColType(int col) const {
    return titles_.GetColType(col);
}
std::string TLogDataView::Text(int col, int row) const {
    return analyzer_.HitFieldText(col, row - 1);
}

double TLogDataView::Number(int col, int row) const {
    const TLogHit& hit = analyzer_.Hits[row - 1];
    switch (col) {
        case 3:
            return hit.Time;
        case 5:
            return hit.Status;
        case 6:
            return hit.Bytes;
        case 9:
            return hit.Uid;
        default:
            return 0;
    }
}

void WriteTable(const TTableView& table, TTableFormat format, const std::string& title,
                std::FILE* out) {
    if (format == TTableFormat::Json)
        WriteJson(table, title, out);
    else
        WriteTsv(table, format == TTableFormat::Values, out);
    std::fflush(out);
}

}  // namespace vestrel::cli
