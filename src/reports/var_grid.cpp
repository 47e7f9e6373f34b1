#include "reports/var_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/date_time.h"
#include "engine/text_util.h"
#include "reports/report_format.h"

namespace vestrel {

namespace {

constexpr const char* kInvalidCellIndex = "Invalid cell index";
constexpr const char* kAssignmentError = "Cell assignement error";
constexpr const char* kIncompatibleValue = "Incompatible value in cell";
constexpr const char* kCannotSort = "Can not sort this column";
constexpr const char* kInvalidColumnIndex = "Invalid column index";
constexpr const char* kInvalidSubGroupLevel = "Invalid Sub Group Level";
constexpr const char* kSeekOutOfRange = "Row out of range on Seek";

[[noreturn]] void Fail(const std::string& message) {
    throw EGridError(message);
}

bool HoldsDouble(TCellType type) {
    return type == ctFloat || type == ctPercent || type == ctDate || type == ctTime ||
           type == ctDateTime;
}

bool IsDateType(TCellType type) {
    return type == ctDate || type == ctTime || type == ctDateTime;
}

// Rounds to the nearest integer, halves to the even neighbour; fails with `failure` when the
// result does not fit 32 bits.
int32_t RoundHalfEven(double value, const char* failure) {
    double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5) rounded = 2.0 * std::round(value / 2.0);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) Fail(failure);
    return static_cast<int32_t>(rounded);
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// The whole text as an optionally signed decimal integer.
int32_t ReadInt(std::string_view text) {
    const size_t signLength = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const bool digitsOnly =
        text.size() > signLength &&
        text.find_first_not_of("0123456789", signLength) == std::string_view::npos;
    int32_t value = 0;
    if (digitsOnly) {
        // from_chars takes a minus sign but not a plus sign.
        const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
        const char* end = text.data() + text.size();
        if (std::from_chars(begin, end, value).ec == std::errc()) return value;
    }
    Fail(Quoted(text) + " is not a valid integer value");
}

// Accepts [sign] digits [separator digits] [e [sign] digits], at least one mantissa digit, and
// returns it rewritten with a '.' so that the C-locale parser can read it.
bool NormalizeNumber(std::string_view text, char decimalSeparator, std::string& out) {
    size_t i = 0;
    auto digitRun = [&] {
        const size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') out += text[i++];
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    size_t mantissaDigits = digitRun();
    if (i < text.size() && text[i] == decimalSeparator) {
        out += '.';
        ++i;
        mantissaDigits += digitRun();
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        out += text[i++];
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) out += text[i++];
        if (digitRun() == 0) return false;
    }
    return i == text.size();
}

double ReadFloat(std::string_view text, const TLocaleInfo& locale) {
    std::string normal;
    double value = 0;
    if (NormalizeNumber(text, locale.DecimalSeparator, normal)) {
        const auto [end, error] =
            std::from_chars(normal.data(), normal.data() + normal.size(), value);
        if (error == std::errc() && end == normal.data() + normal.size()) return value;
    }
    Fail(Quoted(text) + " is not a valid floating point value");
}

// Reads up to `maxDigits` decimal digits at `pos`; false when there is none.
bool ReadDigits(std::string_view text, size_t& pos, size_t maxDigits, int& value, size_t& digits) {
    value = 0;
    digits = 0;
    while (digits < maxDigits && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        ++digits;
    }
    return digits > 0;
}

// Reads the fields of a date or time layout (the letters of TLocaleInfo) from `text` at `pos`;
// any other layout character must appear as it is.
bool ReadLayout(std::string_view text, size_t& pos, const std::string& layout, TDateParts& parts) {
    constexpr std::string_view kLetters = "ymdhns";
    int* const fields[] = {&parts.Year, &parts.Month,  &parts.Day,
                           &parts.Hour, &parts.Minute, &parts.Second};
    for (size_t i = 0; i < layout.size();) {
        const char letter = static_cast<char>(layout[i] | 32);
        const size_t field = kLetters.find(letter);
        if (field == std::string_view::npos) {
            if (pos >= text.size() || text[pos] != layout[i]) return false;
            ++pos, ++i;
            continue;
        }
        while (i < layout.size() && (layout[i] | 32) == letter) ++i;
        int value = 0;
        size_t digits = 0;
        if (!ReadDigits(text, pos, letter == 'y' ? 4 : 2, value, digits)) return false;
        // Two-digit years fall in 1950..2049.
        if (letter == 'y' && digits <= 2) value += value < 50 ? 2000 : 1900;
        *fields[field] = value;
    }
    return true;
}

// The locale's short date, optionally followed by a blank and the long time.
double ReadDateTime(std::string_view text, const TLocaleInfo& locale) {
    TDateParts parts;
    size_t pos = 0;
    bool ok = ReadLayout(text, pos, locale.ShortDateFormat, parts);
    if (ok && pos < text.size()) {
        ok = text[pos++] == ' ' && ReadLayout(text, pos, locale.LongTimeFormat, parts) &&
             pos == text.size();
    }
    TDateTime date = 0, time = 0;
    if (!ok || !TryEncodeDate(parts.Year, parts.Month, parts.Day, date) ||
        !TryEncodeTime(parts.Hour, parts.Minute, parts.Second, time))
        Fail(Quoted(text) + " is not a valid date and time");
    return date + time;
}

// Fifteen significant digits in the shortest of fixed and exponent notation.
std::string GeneralFormat(double value, const TLocaleInfo& locale) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    std::string out(text);
    for (char& c : out)
        if (c == '.') c = locale.DecimalSeparator;
    return out;
}

std::string ShortYearDate(double value) {
    const TDateParts parts = DecodeDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", parts.Year % 100, parts.Month, parts.Day);
    return text;
}

bool Matches(std::string_view display, std::string_view wanted, std::string_view wantedLower,
             int mode) {
    switch (mode) {
        case 0:
            return LowerAscii(display) == wantedLower;
        case 1:
            return LowerAscii(display).starts_with(wantedLower);
        case 2:
            return Contains(LowerAscii(display), wantedLower);
        case 3:
            return display == wanted;
        default:
            return false;
    }
}

template <typename Key>
struct TSortItem {
    Key SortKey;
    int Row;
};

// The table's quicksort; it works on (key, row) pairs and makes exactly the comparisons and swaps
// the rows themselves would see, so the order of equal keys is the one users know. Indexes are
// offset from the row numbers, which leaves the middle element (l+r) div 2 unchanged.
template <typename Key, typename Before>
void QuickSort(std::vector<TSortItem<Key>>& items, int l, int r, const Before& before) {
    for (;;) {
        int i = l;
        int j = r;
        const Key pivot = items[(l + r) / 2].SortKey;
        do {
            while (before(items[i].SortKey, pivot)) ++i;
            while (before(pivot, items[j].SortKey)) --j;
            if (i <= j) {
                std::swap(items[i], items[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(items, l, j, before);
        l = i;
        if (i >= r) return;
    }
}

}  // namespace

bool IsNumericCellType(TCellType type) {
    return type == ctInteger || HoldsDouble(type);
}

bool IsTextCellType(TCellType type) {
    return type == ctEmptyText || type == ctText;
}

// ---- TCell ----

TVarGrid::TCell::TCell(const TCell& other) : type_(other.type_), value_(other.value_) {
    if (type_ == ctText) value_.Text = new std::string(*other.value_.Text);
}

TVarGrid::TCell::TCell(TCell&& other) noexcept : type_(other.type_), value_(other.value_) {
    other.type_ = ctBlank;
}

TVarGrid::TCell& TVarGrid::TCell::operator=(TCell other) noexcept {
    std::swap(type_, other.type_);
    std::swap(value_, other.value_);
    return *this;
}

TVarGrid::TCell::~TCell() {
    ReleaseText();
}

void TVarGrid::TCell::ReleaseText() {
    if (type_ == ctText) delete value_.Text;
    type_ = ctBlank;
}

void TVarGrid::TCell::Reset(TCellType type) {
    ReleaseText();
    type_ = type == ctText ? ctEmptyText : type;
    if (type_ == ctInteger)
        value_.Int = 0;
    else
        value_.Num = 0;
}

void TVarGrid::TCell::SetText(std::string_view text) {
    if (type_ == ctText) {
        value_.Text->assign(text);
        return;
    }
    value_.Text = new std::string(text);
    type_ = ctText;
}

// ---- Sizing and columns ----

TVarGrid::TVarGrid(const TLocaleInfo* locale) : locale_(locale), rows_(1) {}

int TVarGrid::ColCount() const {
    return static_cast<int>(columns_.size());
}

void TVarGrid::SetColCount(int count) {
    count = std::max(count, 0);
    columns_.resize(count);
    for (TRow& row : rows_) row.Cells.resize(count);
}

int TVarGrid::RowCount() const {
    return static_cast<int>(rows_.size());
}

void TVarGrid::SetRowCount(int count) {
    count = std::max(count, 0);
    if (count <= RowCount()) {
        rows_.erase(rows_.begin() + count, rows_.end());
        return;
    }
    rows_.reserve(count);
    while (RowCount() < count) {
        TRow row;
        row.Cells.reserve(columns_.size());
        const bool titleRow = rows_.empty();
        for (const TColumnDef& column : columns_)
            row.Cells.emplace_back(titleRow ? ctEmptyText : column.Type);
        rows_.push_back(std::move(row));
    }
}

void TVarGrid::Clear() {
    for (TColumnDef& column : columns_) column = TColumnDef{};
    sortedColumn_ = -1;
    levels_.clear();
    groupRowSet_.clear();
}

void TVarGrid::SetColType(int col, TCellType type) {
    if (col < 0 || col >= ColCount()) return;
    columns_[col].Type = type;
    columns_[col].Alignment = IsNumericCellType(type) ? 1 : 0;
    for (size_t r = 1; r < rows_.size(); ++r) rows_[r].Cells[col].Reset(type);
}

void TVarGrid::SetColDecimals(int col, int decimals) {
    if (col >= 0 && col < ColCount()) columns_[col].Decimals = decimals;
}

void TVarGrid::SetColWidth(int col, int width) {
    if (col >= 0 && col < ColCount()) columns_[col].Width = width;
}

const TColumnDef& TVarGrid::ColumnAt(int col) const {
    if (col < 0 || col >= ColCount()) Fail(kInvalidCellIndex);
    return columns_[col];
}

TCellType TVarGrid::GetColType(int col) const {
    return ColumnAt(col).Type;
}

int TVarGrid::GetColDecimals(int col) const {
    return ColumnAt(col).Decimals;
}

int TVarGrid::GetColAlignment(int col) const {
    return ColumnAt(col).Alignment;
}

int TVarGrid::GetColWidth(int col) const {
    return ColumnAt(col).Width;
}

bool TVarGrid::GetColDescending(int col) const {
    return ColumnAt(col).Descending;
}

// ---- Cells ----

TVarGrid::TCell& TVarGrid::CellAt(int col, int row) {
    return const_cast<TCell&>(std::as_const(*this).CellAt(col, row));
}

const TVarGrid::TCell& TVarGrid::CellAt(int col, int row) const {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) Fail(kInvalidCellIndex);
    return rows_[row].Cells[col];
}

void TVarGrid::SetCellType(int col, int row, TCellType type) {
    CellAt(col, row).Reset(type);
}

TCellType TVarGrid::GetCellType(int col, int row) const {
    return CellAt(col, row).Type();
}

void TVarGrid::SetInt(int col, int row, int32_t value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return;
    if (type == ctInteger)
        cell.SetInt(value);
    else if (HoldsDouble(type))
        cell.SetNum(value);
    else if (type == ctText)
        cell.SetText(std::to_string(value));
    else
        Fail(kAssignmentError);
}

void TVarGrid::IncInt(int col, int row) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return;
    if (type == ctInteger)
        // Wraps like the 32-bit counter it is instead of overflowing.
        cell.SetInt(static_cast<int32_t>(static_cast<uint32_t>(cell.Int()) + 1u));
    else if (HoldsDouble(type))
        cell.SetNum(cell.Num() + 1.0);
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetFloat(int col, int row, double value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return;
    if (type == ctInteger)
        cell.SetInt(RoundHalfEven(value, kAssignmentError));
    else if (HoldsDouble(type))
        cell.SetNum(value);
    else if (type == ctText)
        cell.SetText(GeneralFormat(value, *locale_));
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetDateTime(int col, int row, double value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return;
    if (IsDateType(type))
        cell.SetNum(value);
    else if (type == ctText)
        cell.SetText(ShortYearDate(value));
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetText(int col, int row, std::string_view text) {
    TCell& cell = CellAt(col, row);
    switch (cell.Type()) {
        case ctBlank:
            return;
        case ctInteger:
            cell.SetInt(ReadInt(text));
            return;
        case ctFloat:
            cell.SetNum(ReadFloat(text, *locale_));
            return;
        case ctPercent:
            cell.SetNum(ReadFloat(text, *locale_) / 100);
            return;
        case ctDate:
        case ctTime:
        case ctDateTime:
            cell.SetNum(ReadDateTime(text, *locale_));
            return;
        case ctEmptyText:
        case ctText:
            cell.SetText(text);
            return;
    }
    Fail(kAssignmentError);
}

int32_t TVarGrid::GetInt(int col, int row) const {
    const TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return 0;
    if (type == ctInteger) return cell.Int();
    if (HoldsDouble(type)) return RoundHalfEven(cell.Num(), kIncompatibleValue);
    if (type == ctText) return ReadInt(cell.Text());
    Fail(kIncompatibleValue);
}

double TVarGrid::GetFloat(int col, int row) const {
    const TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank) return 0;
    if (type == ctInteger) return cell.Int();
    if (HoldsDouble(type)) return cell.Num();
    if (type == ctText) return ReadFloat(cell.Text(), *locale_);
    Fail(kIncompatibleValue);
}

double TVarGrid::GetDate(int col, int row) const {
    const TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type();
    if (type == ctBlank || type == ctEmptyText) return 0;
    if (IsDateType(type)) return cell.Num();
    if (type == ctText) return ReadDateTime(cell.Text(), *locale_);
    Fail(kIncompatibleValue);
}

std::string TVarGrid::GetText(int col, int row) const {
    return DisplayText(CellAt(col, row), columns_[col]);
}

std::string TVarGrid::DisplayText(const TCell& cell, const TColumnDef& column) const {
    const TCellType type = cell.Type();
    if (ZerosAsBlank &&
        ((type == ctInteger && cell.Int() == 0) || (HoldsDouble(type) && cell.Num() == 0.0)))
        return "";
    switch (type) {
        case ctInteger:
            return std::to_string(cell.Int());
        case ctFloat:
            return FormatNumber(cell.Num(), column.Decimals, *locale_);
        case ctPercent:
            return FormatFixed(cell.Num() * 100, column.Decimals, *locale_) + "%";
        case ctDate:
            return locale_->FormatShortDate(cell.Num());
        case ctTime:
            return locale_->FormatLongTime(TimeFraction(cell.Num()));
        case ctDateTime:
            return locale_->FormatDateTimeCell(cell.Num());
        case ctText:
            return cell.Text();
        default:
            return "";
    }
}

// ---- Rows and groups ----

void TVarGrid::SetRowTag(int row, int tag) {
    if (row < 0 || row >= RowCount()) Fail(kInvalidCellIndex);
    rows_[row].Tag = tag;
}

int TVarGrid::GetRowTag(int row) const {
    if (row < 0 || row >= RowCount()) Fail(kInvalidCellIndex);
    return rows_[row].Tag;
}

int TVarGrid::AddSubGroupLevel() {
    levels_.emplace_back();
    return static_cast<int>(levels_.size());
}

void TVarGrid::AddSubGroupRow(int row, int level) {
    if (level < 1 || level > static_cast<int>(levels_.size())) Fail(kInvalidSubGroupLevel);
    levels_[level - 1].push_back(row);
    if (level == 1) groupRowSet_.insert(row);
}

void TVarGrid::ShowSubGroupLevel(int /*level*/) {
    // The model always holds every row; collapsing levels is left to the list view.
}

bool TVarGrid::IsGroupRow(int row) const {
    return groupRowSet_.contains(row);
}

const std::vector<int>& TVarGrid::GroupRows() const {
    static const std::vector<int> kNone;
    return levels_.empty() ? kNone : levels_[0];
}

// ---- Sorting and searching ----

void TVarGrid::SortBy(int col, bool descending) {
    if (col < 0 || col >= ColCount()) Fail(kInvalidColumnIndex);
    columns_[col].Descending = descending;
    SortColumn(col);
}

void TVarGrid::SortColumn(int col) {
    if (col < 0 || col >= ColCount()) Fail(kInvalidColumnIndex);
    if (RowCount() < 3) return;
    const TCellType type = columns_[col].Type;
    if (!IsNumericCellType(type) && !IsTextCellType(type)) Fail(kCannotSort);
    for (const auto& [first, last] : SortRanges()) SortRange(col, first, last);
    sortedColumn_ = col;
}

int TVarGrid::SortedColumn() const {
    return sortedColumn_;
}

// The row ranges between group heading rows, or all data rows when there are none.
std::vector<std::pair<int, int>> TVarGrid::SortRanges() const {
    const std::vector<int>& groups = GroupRows();
    if (groups.empty()) return {{1, RowCount() - 1}};
    std::vector<std::pair<int, int>> ranges;
    for (size_t i = 0; i < groups.size(); ++i) {
        const int last = i + 1 < groups.size() ? groups[i + 1] - 1 : RowCount() - 1;
        ranges.emplace_back(groups[i] + 1, last);
    }
    return ranges;
}

void TVarGrid::SortRange(int col, int firstRow, int lastRow) {
    if (lastRow - firstRow < 1) return;
    if (OnSort) OnSort(*this, firstRow, lastRow);
    firstRow = std::max(firstRow, 1);
    lastRow = std::min(lastRow, RowCount() - 1);
    if (lastRow - firstRow < 1) return;

    // Flag set: numbers largest first, texts lowest first.
    const bool flag = columns_[col].Descending;
    if (IsNumericCellType(columns_[col].Type)) {
        SortRangeBy<double>(
            firstRow, lastRow, [&](int row) { return GetFloat(col, row); },
            [flag](double a, double b) { return flag ? a > b : a < b; });
    } else {
        SortRangeBy<std::string_view>(
            firstRow, lastRow,
            [&](int row) -> std::string_view {
                const TCell& cell = rows_[row].Cells[col];
                if (cell.Type() != ctText) Fail(kIncompatibleValue);
                return cell.Text();
            },
            [flag](std::string_view a, std::string_view b) { return flag ? a < b : a > b; });
    }
}

// Reads every key of the range once, sorts the keys, then moves the whole rows into that order.
template <typename Key, typename ReadKey, typename Before>
void TVarGrid::SortRangeBy(int firstRow, int lastRow, ReadKey readKey, Before before) {
    std::vector<TSortItem<Key>> items;
    items.reserve(lastRow - firstRow + 1);
    for (int row = firstRow; row <= lastRow; ++row) items.push_back({readKey(row), row});
    QuickSort(items, 0, static_cast<int>(items.size()) - 1, before);

    std::vector<TRow> sorted;
    sorted.reserve(items.size());
    for (const auto& item : items) sorted.push_back(std::move(rows_[item.Row]));
    std::move(sorted.begin(), sorted.end(), rows_.begin() + firstRow);
}

int TVarGrid::Seek(int startRow, int col, std::string_view text, int mode) const {
    if (startRow < 1 || startRow >= RowCount()) Fail(kSeekOutOfRange);
    const std::string wantedLower = LowerAscii(text);
    for (int row = startRow; row < RowCount(); ++row)
        if (Matches(GetText(col, row), text, wantedLower, mode)) return row;
    return -1;
}

// ---- Column set-up ----

void DefineColumn(TVarGrid& grid, int index, std::string_view title, TCellType type, int width) {
    grid.SetText(index, 0, title);
    grid.SetColWidth(index, width);
    grid.SetColType(index, type);
    if (type == ctFloat) grid.SetColDecimals(index, 2);
    const bool numericStart = type == ctInteger || type == ctFloat || type == ctPercent;
    // Tables without a data row yet get their row 1 from the generator later.
    if (numericStart && grid.RowCount() > 1) grid.SetInt(index, 1, 0);
}

}  // namespace vestrel
