// The typed result table every statistic fills and every renderer reads. Row 0 holds the column
// titles; rows 1.. are data rows of typed cells. Group heading rows (sub-group level 1) limit
// sorting to the rows between them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/locale_info.h"

namespace vestrel {

enum TCellType : uint8_t {
    ctBlank = 1,
    ctInteger = 2,
    ctFloat = 3,
    ctPercent = 5,
    ctDate = 6,
    ctEmptyText = 7,
    ctText = 8,
    ctTime = 10,
    ctDateTime = 11,
};

bool IsNumericCellType(TCellType type);
bool IsTextCellType(TCellType type);

// A grid operation that cannot be carried out; the text is one of the grid's fixed messages.
class EGridError : public EVestrelError {
  public:
    using EVestrelError::EVestrelError;
};

struct TColumnDef {
    TCellType Type = ctEmptyText;
    int Alignment = 0;  // 0 left, 1 right, 2 centre
    bool Descending = true;
    int Decimals = 2;
    int Width = 64;
};

class TVarGrid {
  public:
    explicit TVarGrid(const TLocaleInfo* locale = &TLocaleInfo::Iso());

    int ColCount() const;
    void SetColCount(int count);
    int RowCount() const;
    void SetRowCount(int count);
    void Clear();

    void SetColType(int col, TCellType type);
    void SetColDecimals(int col, int decimals);
    void SetColWidth(int col, int width);
    TCellType GetColType(int col) const;
    int GetColDecimals(int col) const;
    int GetColAlignment(int col) const;
    int GetColWidth(int col) const;
    bool GetColDescending(int col) const;

    void SetCellType(int col, int row, TCellType type);
    TCellType GetCellType(int col, int row) const;
    void SetInt(int col, int row, int32_t value);
    void IncInt(int col, int row);
    void SetFloat(int col, int row, double value);
    void SetDateTime(int col, int row, double value);
    void SetText(int col, int row, std::string_view text);
    int32_t GetInt(int col, int row) const;
    double GetFloat(int col, int row) const;
    double GetDate(int col, int row) const;
    // The display text (row 0: the column title), zeros shown blank under ZerosAsBlank.
    std::string GetText(int col, int row) const;

    void SetRowTag(int row, int tag);
    int GetRowTag(int row) const;

    int AddSubGroupLevel();
    void AddSubGroupRow(int row, int level);
    void ShowSubGroupLevel(int level);
    bool IsGroupRow(int row) const;
    // The level-1 rows (group headings) in the order they were added.
    const std::vector<int>& GroupRows() const;

    void SortBy(int col, bool descending);
    void SortColumn(int col);
    int SortedColumn() const;  // -1 before any sort
    // Row of the first match from `startRow` on, or -1; modes: 0 equal ignoring a-z case,
    // 1 begins with, 2 contains (both ignoring case), 3 equal exactly.
    int Seek(int startRow, int col, std::string_view text, int mode) const;

    // Raised before each row range is sorted; may narrow the range.
    std::function<void(TVarGrid& grid, int& firstRow, int& lastRow)> OnSort;

    bool ZerosAsBlank = true;
    bool SortOnTitleClick = true;
    // The width the table is shown in, for reports that size a column to fill it.
    int TableWidth = 600;
    const TLocaleInfo& Locale() const { return *locale_; }

  private:
    // One typed value: an integer, a double, or an owned text, chosen by the type byte. Kept at
    // 16 bytes because report tables reach hundreds of thousands of rows.
    class TCell {
      public:
        explicit TCell(TCellType type = ctEmptyText) { Reset(type); }
        TCell(const TCell& other);
        TCell(TCell&& other) noexcept;
        TCell& operator=(TCell other) noexcept;
        ~TCell();

        TCellType Type() const { return type_; }
        int32_t Int() const { return value_.Int; }
        double Num() const { return value_.Num; }
        const std::string& Text() const { return *value_.Text; }

        // Gives the cell a type with a cleared value; an assigned text type becomes ctEmptyText.
        void Reset(TCellType type);
        void SetInt(int32_t value) { value_.Int = value; }
        void SetNum(double value) { value_.Num = value; }
        // Stores a text; the cell becomes ctText.
        void SetText(std::string_view text);

      private:
        void ReleaseText();

        TCellType type_ = ctBlank;
        union {
            int32_t Int;
            double Num;
            std::string* Text;  // owned while type_ is ctText
        } value_{};
    };

    struct TRow {
        std::vector<TCell> Cells;
        int Tag = 0;
    };

    TCell& CellAt(int col, int row);
    const TCell& CellAt(int col, int row) const;
    const TColumnDef& ColumnAt(int col) const;
    std::string DisplayText(const TCell& cell, const TColumnDef& column) const;
    std::vector<std::pair<int, int>> SortRanges() const;
    void SortRange(int col, int firstRow, int lastRow);
    template <typename Key, typename ReadKey, typename Before>
    void SortRangeBy(int firstRow, int lastRow, ReadKey readKey, Before before);

    const TLocaleInfo* locale_;
    std::vector<TColumnDef> columns_;
    std::vector<TRow> rows_;  // rows_[0] holds the column titles
    std::vector<std::vector<int>> levels_;
    std::unordered_set<int> groupRowSet_;  // level 1 again, for IsGroupRow on every painted row
    int sortedColumn_ = -1;
};

// The column set-up every statistic uses: title in row 0, width, type; two decimals for ctFloat;
// a numeric 0 in row 1 for ctInteger, ctFloat and ctPercent.
void DefineColumn(TVarGrid& grid, int index, std::string_view title, TCellType type, int width);

}  // namespace vestrel
