#include "reports/var_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>

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

// ---- Cells and the text store ----

TVarGrid::TCell TVarGrid::TCell::Cleared(TCellType type) {
    static_assert(sizeof(TCell) == 16);
    TCell cell;
    cell.Num = 0;
    if (type == ctInteger) cell.Int = 0;
    cell.TextLength = 0;
    cell.Type = type == ctText ? ctEmptyText : type;
    return cell;
}

TVarGrid::TTextRef TVarGrid::TTextStore::Add(std::string_view text) {
    // Large enough that a big table needs few chunks, small enough to waste little at a chunk's
    // end; a longer text gets a chunk of its own.
    constexpr size_t kChunkBytes = size_t{1} << 20;
    while (filling_ < chunks_.size() &&
           chunks_[filling_].Bytes.size() - chunks_[filling_].Used < text.size())
        ++filling_;
    if (filling_ == chunks_.size())
        chunks_.push_back({std::vector<char>(std::max(kChunkBytes, text.size())), 0});
    TChunk& chunk = chunks_[filling_];
    const TTextRef ref{static_cast<uint32_t>(filling_), static_cast<uint32_t>(chunk.Used)};
    std::copy(text.begin(), text.end(), chunk.Bytes.data() + chunk.Used);
    chunk.Used += text.size();
    used_ += text.size();
    return ref;
}

void TVarGrid::TTextStore::Clear() {
    for (TChunk& chunk : chunks_) chunk.Used = 0;
    filling_ = 0;
    used_ = 0;
}

std::string_view TVarGrid::TextOf(const TCell& cell) const {
    // An empty text may refer to a store that was emptied since.
    if (cell.TextLength == 0) return {};
    return {texts_.At(cell.Text), cell.TextLength};
}

void TVarGrid::StoreText(TCell& cell, std::string_view text) {
    if (text.size() > UINT32_MAX) Fail(kAssignmentError);
    const auto length = static_cast<uint32_t>(text.size());
    if (cell.Type == ctText) {
        liveTextBytes_ -= cell.TextLength;
        if (length <= cell.TextLength) {
            std::copy(text.begin(), text.end(), texts_.At(cell.Text));
            cell.TextLength = length;
            liveTextBytes_ += length;
            return;
        }
        cell.Type = ctEmptyText;  // its old text is dead now, also for a compaction
    }
    // A store of little more than dead bytes is compacted; the slack keeps small tables from
    // compacting again and again.
    constexpr size_t kSlack = size_t{1} << 20;
    if (texts_.Used() - liveTextBytes_ > liveTextBytes_ + kSlack) CompactTexts();
    cell.Text = texts_.Add(text);
    cell.TextLength = length;
    cell.Type = ctText;
    liveTextBytes_ += length;
}

void TVarGrid::ResetCell(TCell& cell, TCellType type) {
    ReleaseTexts(&cell, &cell + 1);
    cell = TCell::Cleared(type);
}

// Forgets the texts of the cells in [first, last), which are about to be overwritten or dropped.
void TVarGrid::ReleaseTexts(const TCell* first, const TCell* last) {
    for (const TCell* cell = first; cell != last; ++cell)
        if (cell->Type == ctText) liveTextBytes_ -= cell->TextLength;
    if (liveTextBytes_ == 0) texts_.Clear();
}

// Adds the live texts to the emptied store again, in cell order, which also puts a sorted table's
// texts in row order again.
void TVarGrid::CompactTexts() {
    std::string kept;
    kept.reserve(liveTextBytes_);
    for (const TCell& cell : cells_)
        if (cell.Type == ctText) kept.append(TextOf(cell));
    texts_.Clear();
    std::string_view rest = kept;
    for (TCell& cell : cells_) {
        if (cell.Type != ctText) continue;
        cell.Text = texts_.Add(rest.substr(0, cell.TextLength));
        rest.remove_prefix(cell.TextLength);
    }
}

// ---- Sizing and columns ----

TVarGrid::TVarGrid(const TLocaleInfo* locale) : locale_(locale), tags_(1, 0) {}

int TVarGrid::ColCount() const {
    return static_cast<int>(columns_.size());
}

// Lays the rows out again with `count` cells each, in place so that the cell array keeps its
// capacity: kept columns keep their cells, new ones get empty-text cells. Row 0 stays where it is.
void TVarGrid::SetColCount(int count) {
    const size_t newCols = static_cast<size_t>(std::max(count, 0));
    const size_t oldCols = columns_.size();
    const size_t rows = tags_.size();
    const TCell empty = TCell::Cleared(ctEmptyText);
    if (newCols < oldCols) {
        for (size_t row = 0; row < rows; ++row) {
            const TCell* from = cells_.data() + row * oldCols;
            ReleaseTexts(from + newCols, from + oldCols);
            if (row > 0) std::copy(from, from + newCols, cells_.data() + row * newCols);
        }
        cells_.resize(rows * newCols);
    } else if (newCols > oldCols) {
        cells_.resize(rows * newCols, empty);
        // From the last row back, so that no row is overwritten before it has moved.
        for (size_t row = rows; row-- > 0;) {
            const TCell* from = cells_.data() + row * oldCols;
            TCell* to = cells_.data() + row * newCols;
            if (row > 0) std::copy_backward(from, from + oldCols, to + oldCols);
            std::fill(to + oldCols, to + newCols, empty);
        }
    }
    columns_.resize(newCols);
}

int TVarGrid::RowCount() const {
    return static_cast<int>(tags_.size());
}

void TVarGrid::SetRowCount(int count) {
    const size_t newRows = static_cast<size_t>(std::max(count, 0));
    const size_t oldRows = tags_.size();
    const size_t cols = columns_.size();
    if (newRows <= oldRows) {
        ReleaseTexts(cells_.data() + newRows * cols, cells_.data() + cells_.size());
        cells_.resize(newRows * cols);
        tags_.resize(newRows);
        return;
    }
    // Tables that grow a row at a time (the filtered log data) must not copy every row each time.
    if (newRows * cols > cells_.capacity())
        cells_.reserve(std::max(newRows * cols, 2 * cells_.capacity()));
    if (newRows > tags_.capacity()) tags_.reserve(std::max(newRows, 2 * tags_.capacity()));
    if (oldRows == 0) cells_.resize(cols, TCell::Cleared(ctEmptyText));  // the title row
    std::vector<TCell> dataRow;
    for (const TColumnDef& column : columns_) dataRow.push_back(TCell::Cleared(column.Type));
    for (size_t row = std::max<size_t>(oldRows, 1); row < newRows; ++row)
        cells_.insert(cells_.end(), dataRow.begin(), dataRow.end());
    tags_.resize(newRows, 0);
}

void TVarGrid::Clear() {
    for (TColumnDef& column : columns_) column = TColumnDef{};
    sortedColumn_ = -1;
    levels_.clear();
    groupRowsAscending_ = true;
}

void TVarGrid::SetColType(int col, TCellType type) {
    if (col < 0 || col >= ColCount()) return;
    columns_[col].Type = type;
    columns_[col].Alignment = IsNumericCellType(type) ? 1 : 0;
    for (int row = 1; row < RowCount(); ++row) ResetCell(RowCells(row)[col], type);
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
    return cells_[static_cast<size_t>(row) * columns_.size() + col];
}

void TVarGrid::SetCellType(int col, int row, TCellType type) {
    ResetCell(CellAt(col, row), type);
}

TCellType TVarGrid::GetCellType(int col, int row) const {
    return CellAt(col, row).Type;
}

void TVarGrid::SetInt(int col, int row, int32_t value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank) return;
    if (type == ctInteger)
        cell.Int = value;
    else if (HoldsDouble(type))
        cell.Num = value;
    else if (type == ctText)
        StoreText(cell, std::to_string(value));
    else
        Fail(kAssignmentError);
}

void TVarGrid::IncInt(int col, int row) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank) return;
    if (type == ctInteger)
        // Wraps like the 32-bit counter it is instead of overflowing.
        cell.Int = static_cast<int32_t>(static_cast<uint32_t>(cell.Int) + 1u);
    else if (HoldsDouble(type))
        cell.Num += 1.0;
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetFloat(int col, int row, double value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank) return;
    if (type == ctInteger)
        cell.Int = RoundHalfEven(value, kAssignmentError);
    else if (HoldsDouble(type))
        cell.Num = value;
    else if (type == ctText)
        StoreText(cell, GeneralFormat(value, *locale_));
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetDateTime(int col, int row, double value) {
    TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank) return;
    if (IsDateType(type))
        cell.Num = value;
    else if (type == ctText)
        StoreText(cell, ShortYearDate(value));
    else
        Fail(kAssignmentError);
}

void TVarGrid::SetText(int col, int row, std::string_view text) {
    TCell& cell = CellAt(col, row);
    switch (cell.Type) {
        case ctBlank:
            return;
        case ctInteger:
            cell.Int = ReadInt(text);
            return;
        case ctFloat:
            cell.Num = ReadFloat(text, *locale_);
            return;
        case ctPercent:
            cell.Num = ReadFloat(text, *locale_) / 100;
            return;
        case ctDate:
        case ctTime:
        case ctDateTime:
            cell.Num = ReadDateTime(text, *locale_);
            return;
        case ctEmptyText:
        case ctText:
            StoreText(cell, text);
            return;
    }
    Fail(kAssignmentError);
}

int32_t TVarGrid::GetInt(int col, int row) const {
    const TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank) return 0;
    if (type == ctInteger) return cell.Int;
    if (HoldsDouble(type)) return RoundHalfEven(cell.Num, kIncompatibleValue);
    if (type == ctText) return ReadInt(TextOf(cell));
    Fail(kIncompatibleValue);
}

double TVarGrid::GetFloat(int col, int row) const {
    return NumberOf(CellAt(col, row));
}

// The cell as a number: what GetFloat answers and what a numeric column is sorted by.
double TVarGrid::NumberOf(const TCell& cell) const {
    const TCellType type = cell.Type;
    if (type == ctBlank) return 0;
    if (type == ctInteger) return cell.Int;
    if (HoldsDouble(type)) return cell.Num;
    if (type == ctText) return ReadFloat(TextOf(cell), *locale_);
    Fail(kIncompatibleValue);
}

double TVarGrid::GetDate(int col, int row) const {
    const TCell& cell = CellAt(col, row);
    const TCellType type = cell.Type;
    if (type == ctBlank || type == ctEmptyText) return 0;
    if (IsDateType(type)) return cell.Num;
    if (type == ctText) return ReadDateTime(TextOf(cell), *locale_);
    Fail(kIncompatibleValue);
}

std::string TVarGrid::GetText(int col, int row) const {
    return DisplayText(CellAt(col, row), columns_[col]);
}

std::string TVarGrid::DisplayText(const TCell& cell, const TColumnDef& column) const {
    const TCellType type = cell.Type;
    if (ZerosAsBlank &&
        ((type == ctInteger && cell.Int == 0) || (HoldsDouble(type) && cell.Num == 0.0)))
        return "";
    switch (type) {
        case ctInteger:
            return std::to_string(cell.Int);
        case ctFloat:
            return FormatNumber(cell.Num, column.Decimals, *locale_);
        case ctPercent:
            return FormatFixed(cell.Num * 100, column.Decimals, *locale_) + "%";
        case ctDate:
            return locale_->FormatShortDate(cell.Num);
        case ctTime:
            // A duration below zero (a visit that began the day before) keeps its sign.
            if (cell.Num < 0) return "-" + locale_->FormatLongTime(TimeFraction(-cell.Num));
            return locale_->FormatLongTime(TimeFraction(cell.Num));
        case ctDateTime:
            return locale_->FormatDateTimeCell(cell.Num);
        case ctText:
            return std::string(TextOf(cell));
        default:
            return "";
    }
}

// ---- Rows and groups ----

void TVarGrid::SetRowTag(int row, int tag) {
    if (row < 0 || row >= RowCount()) Fail(kInvalidCellIndex);
    tags_[row] = tag;
}

int TVarGrid::GetRowTag(int row) const {
    if (row < 0 || row >= RowCount()) Fail(kInvalidCellIndex);
    return tags_[row];
}

int TVarGrid::AddSubGroupLevel() {
    levels_.emplace_back();
    return static_cast<int>(levels_.size());
}

void TVarGrid::AddSubGroupRow(int row, int level) {
    if (level < 1 || level > static_cast<int>(levels_.size())) Fail(kInvalidSubGroupLevel);
    std::vector<int>& rows = levels_[level - 1];
    if (level == 1 && !rows.empty() && row < rows.back()) groupRowsAscending_ = false;
    rows.push_back(row);
}

void TVarGrid::ShowSubGroupLevel(int /*level*/) {
    // The model always holds every row; collapsing levels is left to the list view.
}

// Report generators add their group rows top down, so level 1 is searched by halves; a level
// given in another order is searched through.
bool TVarGrid::IsGroupRow(int row) const {
    const std::vector<int>& groups = GroupRows();
    if (groupRowsAscending_) return std::binary_search(groups.begin(), groups.end(), row);
    return std::find(groups.begin(), groups.end(), row) != groups.end();
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

struct TVarGrid::TSortBuffers {
    std::vector<TSortItem<double>> Numbers;
    std::vector<TSortItem<std::string_view>> Texts;
    std::vector<int> From;    // the row each place of the range takes
    std::vector<TCell> Held;  // the row held aside while its cycle moves

    template <typename Key>
    std::vector<TSortItem<Key>>& Items() {
        if constexpr (std::is_same_v<Key, double>)
            return Numbers;
        else
            return Texts;
    }
};

void TVarGrid::SortColumn(int col) {
    if (col < 0 || col >= ColCount()) Fail(kInvalidColumnIndex);
    if (RowCount() < 3) return;
    const TCellType type = columns_[col].Type;
    if (!IsNumericCellType(type) && !IsTextCellType(type)) Fail(kCannotSort);
    // Tables of pages with their referrers sort hundreds of thousands of small ranges.
    TSortBuffers buffers;
    for (const auto& [first, last] : SortRanges()) SortRange(col, first, last, buffers);
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

void TVarGrid::SortRange(int col, int firstRow, int lastRow, TSortBuffers& buffers) {
    if (lastRow - firstRow < 1) return;
    if (OnSort) OnSort(*this, firstRow, lastRow);
    firstRow = std::max(firstRow, 1);
    lastRow = std::min(lastRow, RowCount() - 1);
    if (lastRow - firstRow < 1) return;

    // Flag set: numbers largest first, texts lowest first.
    const bool flag = columns_[col].Descending;
    if (IsNumericCellType(columns_[col].Type)) {
        SortRangeBy<double>(
            firstRow, lastRow, [&](int row) { return NumberOf(RowCells(row)[col]); },
            [flag](double a, double b) { return flag ? a > b : a < b; }, buffers);
    } else {
        // The texts stay where they are while the keys are read and sorted.
        SortRangeBy<std::string_view>(
            firstRow, lastRow,
            [&](int row) {
                const TCell& cell = RowCells(row)[col];
                if (cell.Type != ctText) Fail(kIncompatibleValue);
                return TextOf(cell);
            },
            [flag](std::string_view a, std::string_view b) { return flag ? a < b : a > b; },
            buffers);
    }
}

// Reads every key of the range once, sorts the keys, then moves the whole rows into that order.
template <typename Key, typename ReadKey, typename Before>
void TVarGrid::SortRangeBy(int firstRow, int lastRow, ReadKey readKey, Before before,
                           TSortBuffers& buffers) {
    std::vector<TSortItem<Key>>& items = buffers.template Items<Key>();
    items.clear();
    items.reserve(lastRow - firstRow + 1);
    for (int row = firstRow; row <= lastRow; ++row) items.push_back({readKey(row), row});
    QuickSort(items, 0, static_cast<int>(items.size()) - 1, before);
    buffers.From.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) buffers.From[i] = items[i].Row;
    PermuteRows(firstRow, buffers);
}

// Row firstRow + i takes the cells and tag of row From[i]. The rows move along the cycles of the
// permutation, each once, with one row held aside per cycle; From is used up.
void TVarGrid::PermuteRows(int firstRow, TSortBuffers& buffers) {
    constexpr int kMoved = -1;
    std::vector<int>& from = buffers.From;
    const size_t cols = columns_.size();
    buffers.Held.resize(cols);
    for (size_t start = 0; start < from.size(); ++start) {
        const int startRow = firstRow + static_cast<int>(start);
        if (from[start] == kMoved || from[start] == startRow) continue;
        std::copy_n(RowCells(startRow), cols, buffers.Held.data());
        const int heldTag = tags_[startRow];
        int row = startRow;
        for (;;) {
            const int source = std::exchange(from[row - firstRow], kMoved);
            if (source == startRow) break;
            std::copy_n(RowCells(source), cols, RowCells(row));
            tags_[row] = tags_[source];
            row = source;
        }
        std::copy_n(buffers.Held.data(), cols, RowCells(row));
        tags_[row] = heldTag;
    }
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

void SetUpTable(TVarGrid& grid, std::initializer_list<TColumnSetup> columns, int dataRows) {
    grid.SetColCount(static_cast<int>(columns.size()));
    grid.SetRowCount(std::max(dataRows, 1) + 1);
    int col = 0;
    for (const TColumnSetup& column : columns)
        DefineColumn(grid, col++, column.Title, column.Type, column.Width);
}

}  // namespace vestrel
