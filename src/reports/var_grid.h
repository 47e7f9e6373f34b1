// The typed result table every statistic fills and every renderer reads. Row 0 holds the column
// titles; rows 1.. are data rows of typed cells. Group heading rows (sub-group level 1) limit
// sorting to the rows between them.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
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
    // Where a text lies in the text store.
    struct TTextRef {
        uint32_t Chunk;
        uint32_t Offset;
    };

    // The texts of the text cells, in chunks that never move, so that a growing store copies
    // nothing. Emptied, it keeps its chunks for the next table's texts.
    class TTextStore {
      public:
        TTextRef Add(std::string_view text);
        const char* At(TTextRef ref) const { return chunks_[ref.Chunk].Bytes.data() + ref.Offset; }
        char* At(TTextRef ref) { return chunks_[ref.Chunk].Bytes.data() + ref.Offset; }
        size_t Used() const { return used_; }  // bytes added since the last Clear
        void Clear();

      private:
        struct TChunk {
            std::vector<char> Bytes;  // never resized, so texts stay where they are
            size_t Used;
        };
        std::vector<TChunk> chunks_;
        size_t filling_ = 0;  // the chunk texts are added to
        size_t used_ = 0;
    };

    // One typed value in 16 bytes: an integer, a double, or a text kept in the grid's text store,
    // chosen by the type byte. Report tables reach a million rows, so the cells are plain values
    // in one array instead of objects of their own.
    struct TCell {
        union {
            int32_t Int;
            double Num;
            TTextRef Text;  // while Type is ctText
        };
        uint32_t TextLength;
        TCellType Type;

        // A cell of `type` holding zero or no text; an assigned text type becomes ctEmptyText.
        static TCell Cleared(TCellType type);
    };

    TCell& CellAt(int col, int row);
    const TCell& CellAt(int col, int row) const;
    TCell* RowCells(int row) { return cells_.data() + static_cast<size_t>(row) * columns_.size(); }
    const TColumnDef& ColumnAt(int col) const;
    std::string_view TextOf(const TCell& cell) const;
    double NumberOf(const TCell& cell) const;
    std::string DisplayText(const TCell& cell, const TColumnDef& column) const;

    // Texts are added to the store, a shorter replacement is written in place, and the store is
    // compacted once it holds more dead bytes than live ones.
    void StoreText(TCell& cell, std::string_view text);
    void ResetCell(TCell& cell, TCellType type);
    void ReleaseTexts(const TCell* first, const TCell* last);
    void CompactTexts();

    // Working space of a sort, kept over all its row ranges.
    struct TSortBuffers;
    std::vector<std::pair<int, int>> SortRanges() const;
    void SortRange(int col, int firstRow, int lastRow, TSortBuffers& buffers);
    template <typename Key, typename ReadKey, typename Before>
    void SortRangeBy(int firstRow, int lastRow, ReadKey readKey, Before before,
                     TSortBuffers& buffers);
    void PermuteRows(int firstRow, TSortBuffers& buffers);

    const TLocaleInfo* locale_;
    std::vector<TColumnDef> columns_;
    std::vector<TCell> cells_;  // row by row, ColCount cells a row; row 0 holds the column titles
    std::vector<int> tags_;     // one a row, so its size is the row count
    TTextStore texts_;
    size_t liveTextBytes_ = 0;  // the bytes of texts_ that cells refer to
    std::vector<std::vector<int>> levels_;
    bool groupRowsAscending_ = true;  // level 1 in ascending order, searched by halves
    int sortedColumn_ = -1;
};

// The column set-up every statistic uses: title in row 0, width, type; two decimals for ctFloat;
// a numeric 0 in row 1 for ctInteger, ctFloat and ctPercent.
void DefineColumn(TVarGrid& grid, int index, std::string_view title, TCellType type, int width);

struct TColumnSetup {
    std::string_view Title;
    TCellType Type;
    int Width;
};

// Gives the table these columns and `dataRows` data rows (one empty row when there are none).
void SetUpTable(TVarGrid& grid, std::initializer_list<TColumnSetup> columns, int dataRows);

// Width of a count column, and of a text column that fills the table beside one.
constexpr int kCountColumnWidth = 50;
inline int WidthBesideCount(const TVarGrid& grid) {
    return grid.TableWidth - 75;
}

}  // namespace vestrel
