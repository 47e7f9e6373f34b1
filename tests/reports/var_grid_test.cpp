#include "reports/var_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/date_time.h"

namespace vestrel {
namespace {

// Expects `action` to throw EGridError with exactly `message`.
template <typename Action>
void ExpectGridError(Action action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected \"" << message << "\"";
    } catch (const EGridError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

TLocaleInfo GermanLocale() {
    TLocaleInfo locale = TLocaleInfo::Iso();
    locale.ShortDateFormat = "dd.mm.yyyy";
    locale.LongTimeFormat = "hh:nn:ss";
    locale.DecimalSeparator = ',';
    locale.ThousandSeparator = '.';
    return locale;
}

TDateTime Date(int year, int month, int day) {
    TDateTime out = 0;
    TryEncodeDate(year, month, day, out);
    return out;
}

// A table with one column of `type` and `dataRows` data rows.
void SetUpColumn(TVarGrid& grid, TCellType type, int dataRows) {
    grid.SetColCount(1);
    grid.SetRowCount(dataRows + 1);
    grid.SetColType(0, type);
}

// The row tags from row 1 on, which follow their rows through a sort.
std::vector<int> Tags(const TVarGrid& grid) {
    std::vector<int> tags;
    for (int row = 1; row < grid.RowCount(); ++row) tags.push_back(grid.GetRowTag(row));
    return tags;
}

// An integer column filled from `values`, each row tagged with its original row number.
void FillTagged(TVarGrid& grid, const std::vector<int>& values) {
    SetUpColumn(grid, ctInteger, static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetInt(0, row, values[i]);
        grid.SetRowTag(row, row);
    }
}

TEST(GridSizingTest, NewRowsTakeTheColumnTypeAndTitlesStayText) {
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetColType(0, ctInteger);
    grid.SetColType(1, ctText);
    grid.SetRowCount(3);
    EXPECT_EQ(grid.GetCellType(0, 0), ctEmptyText);
    EXPECT_EQ(grid.GetCellType(0, 2), ctInteger);
    EXPECT_EQ(grid.GetCellType(1, 2), ctEmptyText);  // an assigned text type starts unassigned
    EXPECT_EQ(grid.GetColAlignment(0), 1);
    EXPECT_EQ(grid.GetColAlignment(1), 0);

    grid.SetColCount(3);
    EXPECT_EQ(grid.GetCellType(2, 1), ctEmptyText);
    grid.SetRowCount(2);
    ExpectGridError([&] { grid.GetInt(0, 2); }, "Invalid cell index");
    ExpectGridError([&] { grid.GetColType(3); }, "Invalid cell index");
    ExpectGridError([&] { grid.GetRowTag(2); }, "Invalid cell index");
}

TEST(GridSizingTest, ClearResetsDefinitionsButKeepsCells) {
    TVarGrid grid;
    SetUpColumn(grid, ctFloat, 2);
    grid.SetText(0, 0, "Hits");
    grid.SetColDecimals(0, 4);
    grid.SetFloat(0, 1, 1.5);
    grid.AddSubGroupLevel();
    grid.AddSubGroupRow(1, 1);
    grid.SortBy(0, false);

    grid.Clear();
    EXPECT_EQ(grid.GetColType(0), ctEmptyText);
    EXPECT_EQ(grid.GetColDecimals(0), 2);
    EXPECT_TRUE(grid.GetColDescending(0));
    EXPECT_EQ(grid.SortedColumn(), -1);
    EXPECT_FALSE(grid.IsGroupRow(1));
    EXPECT_EQ(grid.GetText(0, 0), "Hits");
    EXPECT_DOUBLE_EQ(grid.GetFloat(0, 1), 1.5);
}

TEST(GridDefineColumnTest, NumericColumnsGetAZeroInRowOne) {
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Hits", ctInteger, 50);
    DefineColumn(grid, 1, "Share", ctFloat, 60);
    DefineColumn(grid, 2, "Page", ctText, 200);

    EXPECT_EQ(grid.GetText(0, 0), "Hits");
    EXPECT_EQ(grid.GetColWidth(0), 50);
    EXPECT_EQ(grid.GetCellType(0, 1), ctInteger);
    EXPECT_EQ(grid.GetInt(0, 1), 0);
    EXPECT_EQ(grid.GetText(0, 1), "");
    EXPECT_EQ(grid.GetColDecimals(1), 2);
    EXPECT_EQ(grid.GetCellType(2, 1), ctEmptyText);
    ExpectGridError([&] { grid.GetInt(2, 1); }, "Incompatible value in cell");
}

TEST(GridCellTest, TextIntoNumericCellsIsReadAsANumber) {
    TVarGrid grid;
    SetUpColumn(grid, ctPercent, 1);
    grid.SetText(0, 1, "12.5");
    EXPECT_DOUBLE_EQ(grid.GetFloat(0, 1), 0.125);
    EXPECT_EQ(grid.GetText(0, 1), "12.50%");

    grid.SetColType(0, ctInteger);
    grid.SetText(0, 1, "-42");
    EXPECT_EQ(grid.GetInt(0, 1), -42);
    grid.SetText(0, 1, "+7");
    EXPECT_EQ(grid.GetInt(0, 1), 7);
}

TEST(GridCellTest, FailedConversionsKeepTheOldValue) {
    TVarGrid grid;
    SetUpColumn(grid, ctInteger, 1);
    grid.SetInt(0, 1, 5);
    ExpectGridError([&] { grid.SetText(0, 1, "abc"); }, "'abc' is not a valid integer value");
    ExpectGridError([&] { grid.SetText(0, 1, "1.5"); }, "'1.5' is not a valid integer value");
    ExpectGridError([&] { grid.SetText(0, 1, "9999999999"); },
                    "'9999999999' is not a valid integer value");
    ExpectGridError([&] { grid.SetText(0, 1, ""); }, "'' is not a valid integer value");
    ExpectGridError([&] { grid.SetText(0, 1, "+-1"); }, "'+-1' is not a valid integer value");
    EXPECT_EQ(grid.GetInt(0, 1), 5);

    grid.SetColType(0, ctFloat);
    grid.SetFloat(0, 1, 2.25);
    ExpectGridError([&] { grid.SetText(0, 1, "1,5"); },
                    "'1,5' is not a valid floating point value");
    ExpectGridError([&] { grid.SetText(0, 1, " 1"); }, "' 1' is not a valid floating point value");
    EXPECT_DOUBLE_EQ(grid.GetFloat(0, 1), 2.25);
}

TEST(GridCellTest, FloatsRoundHalfToEven) {
    TVarGrid grid;
    SetUpColumn(grid, ctInteger, 1);
    grid.SetFloat(0, 1, 2.5);
    EXPECT_EQ(grid.GetInt(0, 1), 2);
    grid.SetFloat(0, 1, 3.5);
    EXPECT_EQ(grid.GetInt(0, 1), 4);
    grid.SetFloat(0, 1, -2.5);
    EXPECT_EQ(grid.GetInt(0, 1), -2);
    ExpectGridError([&] { grid.SetFloat(0, 1, 3e9); }, "Cell assignement error");

    grid.SetColType(0, ctFloat);
    grid.SetFloat(0, 1, 0.5);
    EXPECT_EQ(grid.GetInt(0, 1), 0);
    grid.SetFloat(0, 1, 1.5);
    EXPECT_EQ(grid.GetInt(0, 1), 2);
}

TEST(GridCellTest, SettersAndGettersFollowTheCellType) {
    TVarGrid grid;
    grid.SetColCount(1);
    grid.SetRowCount(2);
    grid.SetText(0, 1, "text");
    ExpectGridError([&] { grid.IncInt(0, 1); }, "Cell assignement error");
    EXPECT_EQ(grid.GetText(0, 1), "text");
    grid.SetInt(0, 1, 12);
    EXPECT_EQ(grid.GetText(0, 1), "12");
    grid.SetFloat(0, 1, 0.1);
    EXPECT_EQ(grid.GetText(0, 1), "0.1");
    grid.SetDateTime(0, 1, Date(2003, 7, 4) + 0.5);
    EXPECT_EQ(grid.GetText(0, 1), "03/07/04");

    grid.SetCellType(0, 1, ctEmptyText);
    ExpectGridError([&] { grid.SetInt(0, 1, 1); }, "Cell assignement error");
    ExpectGridError([&] { grid.GetFloat(0, 1); }, "Incompatible value in cell");
    EXPECT_EQ(grid.GetDate(0, 1), 0.0);

    grid.SetCellType(0, 1, ctBlank);
    grid.SetInt(0, 1, 3);
    grid.IncInt(0, 1);
    EXPECT_EQ(grid.GetInt(0, 1), 0);
    EXPECT_EQ(grid.GetText(0, 1), "");

    grid.SetCellType(0, 1, ctPercent);
    ExpectGridError([&] { grid.SetDateTime(0, 1, 1.0); }, "Cell assignement error");
    ExpectGridError([&] { grid.GetDate(0, 1); }, "Incompatible value in cell");
    grid.IncInt(0, 1);
    EXPECT_DOUBLE_EQ(grid.GetFloat(0, 1), 1.0);
}

TEST(GridCellTest, DatesAreReadInTheLocaleLayout) {
    TVarGrid grid;
    SetUpColumn(grid, ctDateTime, 1);
    grid.SetText(0, 1, "2004-02-29 13:05:09");
    EXPECT_EQ(grid.GetText(0, 1), "2004-02-29 13:05:09");
    grid.SetText(0, 1, "2004-03-01");
    EXPECT_DOUBLE_EQ(grid.GetDate(0, 1), Date(2004, 3, 1));
    ExpectGridError([&] { grid.SetText(0, 1, "2003-02-29"); },
                    "'2003-02-29' is not a valid date and time");
    ExpectGridError([&] { grid.SetText(0, 1, "2004-03-01 25:00:00"); },
                    "'2004-03-01 25:00:00' is not a valid date and time");
    EXPECT_DOUBLE_EQ(grid.GetDate(0, 1), Date(2004, 3, 1));

    const TLocaleInfo german = GermanLocale();
    TVarGrid local(&german);
    SetUpColumn(local, ctDate, 1);
    local.SetText(0, 1, "24.12.2005");
    EXPECT_DOUBLE_EQ(local.GetDate(0, 1), Date(2005, 12, 24));
    EXPECT_THROW(local.SetText(0, 1, "2005-12-24"), EGridError);
}

TEST(GridDisplayTest, NumberFormatsAndZerosAsBlank) {
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetColType(0, ctFloat);
    grid.SetColType(1, ctPercent);
    grid.SetColType(2, ctInteger);
    grid.SetColDecimals(1, 1);
    grid.SetFloat(0, 1, 1234567.891);
    grid.SetFloat(1, 1, 0.256);
    grid.SetInt(2, 1, -1234567);
    EXPECT_EQ(grid.GetText(0, 1), "1,234,567.89");
    EXPECT_EQ(grid.GetText(1, 1), "25.6%");
    EXPECT_EQ(grid.GetText(2, 1), "-1234567");
    EXPECT_EQ(grid.GetText(0, 2), "");
    EXPECT_EQ(grid.GetText(1, 2), "");

    grid.ZerosAsBlank = false;
    EXPECT_EQ(grid.GetText(0, 2), "0.00");
    EXPECT_EQ(grid.GetText(1, 2), "0.0%");
    EXPECT_EQ(grid.GetText(2, 2), "0");
}

TEST(GridDisplayTest, DatesAndTimes) {
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetColType(0, ctDate);
    grid.SetColType(1, ctTime);
    grid.SetColType(2, ctDateTime);
    const TDateTime day = Date(2001, 9, 3);
    grid.SetDateTime(0, 1, day + 0.75);
    grid.SetDateTime(1, 1, 1.25);  // a duration over a day shows its time of day
    grid.SetDateTime(2, 1, day);
    grid.SetDateTime(2, 2, day + 0.5);
    EXPECT_EQ(grid.GetText(0, 1), "2001-09-03");
    EXPECT_EQ(grid.GetText(1, 1), "06:00:00");
    EXPECT_EQ(grid.GetText(2, 1), "2001-09-03");
    EXPECT_EQ(grid.GetText(2, 2), "2001-09-03 12:00:00");
    EXPECT_EQ(grid.GetText(1, 2), "");  // zero duration under ZerosAsBlank
}

TEST(GridDisplayTest, GermanLocale) {
    const TLocaleInfo german = GermanLocale();
    TVarGrid grid(&german);
    grid.SetColCount(4);
    grid.SetRowCount(2);
    grid.SetColType(0, ctFloat);
    grid.SetColType(1, ctPercent);
    grid.SetColType(2, ctDateTime);
    grid.SetColType(3, ctText);
    grid.SetText(0, 1, "1234,5");
    grid.SetText(1, 1, "12,5");
    grid.SetDateTime(2, 1, Date(2005, 12, 24) + 0.25);
    grid.SetText(3, 1, "");
    grid.SetFloat(3, 1, 2.5);
    EXPECT_EQ(grid.GetText(0, 1), "1.234,50");
    EXPECT_EQ(grid.GetText(1, 1), "12,50%");
    EXPECT_EQ(grid.GetText(2, 1), "24.12.2005 06:00:00");
    EXPECT_EQ(grid.GetText(3, 1), "2,5");
    EXPECT_DOUBLE_EQ(grid.GetFloat(3, 1), 2.5);
}

TEST(GridSizingTest, ColumnCountChangesKeepEveryRowsCells) {
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(4);
    grid.SetColType(1, ctInteger);
    for (int row = 0; row < 4; ++row) grid.SetText(0, row, "r" + std::to_string(row));
    for (int row = 1; row < 4; ++row) grid.SetInt(1, row, row * 10);

    grid.SetColCount(4);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(grid.GetText(0, row), "r" + std::to_string(row));
        EXPECT_EQ(grid.GetCellType(3, row), ctEmptyText);
    }
    EXPECT_EQ(grid.GetInt(1, 3), 30);

    grid.SetText(3, 2, "dropped");
    grid.SetColCount(1);
    grid.SetColCount(2);
    EXPECT_EQ(grid.GetText(0, 3), "r3");
    EXPECT_EQ(grid.GetCellType(1, 2), ctEmptyText);  // the old cells do not come back
}

TEST(GridSizingTest, RowsMadeAgainStartEmpty) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 3);
    grid.SetText(0, 3, "old");
    grid.SetRowTag(3, 1);
    grid.SetRowCount(2);
    grid.SetRowCount(4);
    EXPECT_EQ(grid.GetCellType(0, 3), ctEmptyText);
    EXPECT_EQ(grid.GetRowTag(3), 0);

    // Rows added one at a time, as the filtered log data grows, keep what was written.
    for (int row = 1; row < 3000; ++row) {
        grid.SetRowCount(row + 1);
        grid.SetText(0, row, std::to_string(row));
    }
    EXPECT_EQ(grid.GetText(0, 1), "1");
    EXPECT_EQ(grid.GetText(0, 2999), "2999");
}

TEST(GridTextTest, ReplacedAndResetTextsNeverShowThroughOthers) {
    // Enough rewriting to leave megabytes of replaced texts behind, which the grid gathers up
    // while the table is in use.
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(501);
    grid.SetText(0, 0, "Title");
    for (int round = 1; round <= 40; ++round) {
        for (int row = 1; row <= 500; ++row) {
            const std::string text(round * 3 + row % 7, static_cast<char>('a' + row % 26));
            grid.SetText(row % 2, row, text);
        }
        if (round % 10 == 0) grid.SetColType(1, ctText);  // drops every text of column 1
    }
    EXPECT_EQ(grid.GetText(0, 0), "Title");
    for (int row = 1; row <= 500; ++row) {
        const std::string last(40 * 3 + row % 7, static_cast<char>('a' + row % 26));
        EXPECT_EQ(grid.GetText(row % 2, row), row % 2 == 1 ? "" : last) << row;
    }
    grid.SetText(0, 2, "");
    EXPECT_EQ(grid.GetCellType(0, 2), ctText);
    EXPECT_EQ(grid.GetText(0, 2), "");
    grid.SetText(0, 4, "short");  // a shorter text in the place of a longer one
    EXPECT_EQ(grid.GetText(0, 4), "short");
    EXPECT_EQ(grid.GetText(0, 6).size(), 40u * 3 + 6);
}

TEST(GridTextTest, ACopyKeepsItsOwnTexts) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 2);
    grid.SetText(0, 1, "kept");
    const TVarGrid copy = grid;
    grid.SetText(0, 1, "mine");
    grid.SetColType(0, ctText);
    EXPECT_EQ(copy.GetText(0, 1), "kept");
    EXPECT_EQ(grid.GetText(0, 1), "");
}

TEST(GridTextTest, AReusedGridShowsOnlyTheNewTable) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 20000);
    for (int row = 1; row <= 20000; ++row)
        grid.SetText(0, row, "first table row " + std::to_string(row));
    grid.Clear();
    grid.SetColCount(2);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Page", ctText, 100);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    grid.SetText(0, 1, "/b");
    grid.SetText(0, 2, "/a");
    grid.SetInt(1, 2, 7);
    grid.SortBy(1, true);
    EXPECT_EQ(grid.GetText(0, 0), "Page");
    EXPECT_EQ(grid.GetText(0, 1), "/a");
    EXPECT_EQ(grid.GetText(0, 2), "/b");
}

TEST(GridSortTest, FewerThanTwoDataRowsDoNothing) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 0);
    EXPECT_NO_THROW(grid.SortColumn(0));
    grid.SetRowCount(2);  // one unassigned text cell, never compared
    EXPECT_NO_THROW(grid.SortColumn(0));
}

TEST(GridSortTest, EqualKeysTakeTheQuicksortOrder) {
    // Worked through the quicksort by hand: pivots 5 (row 3), then 5, 1 and 5 and 3 of the
    // partitions; the three 5s end up as rows 3, 6, 1 and the two 3s as rows 5, 2.
    TVarGrid grid;
    FillTagged(grid, {5, 3, 5, 1, 3, 5});
    grid.SortBy(0, true);
    EXPECT_EQ(Tags(grid), (std::vector<int>{3, 6, 1, 5, 2, 4}));
    EXPECT_EQ(grid.SortedColumn(), 0);

    // The pivot is the middle row: a first- or last-row pivot would leave rows 1 and 2 the
    // other way round.
    TVarGrid ties;
    FillTagged(ties, {1, 1, 2, 1, 1});
    ties.SortBy(0, true);
    EXPECT_EQ(Tags(ties), (std::vector<int>{3, 4, 5, 2, 1}));
}

TEST(GridSortTest, TextDirectionIsTheReverseOfNumbers) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 4);
    const std::vector<std::string> texts = {"b", "a", "b", "a"};
    for (int row = 1; row <= 4; ++row) {
        grid.SetText(0, row, texts[row - 1]);
        grid.SetRowTag(row, row);
    }
    // Flag clear on a text column: highest text first; equal texts as worked out by hand.
    grid.SortBy(0, false);
    EXPECT_EQ(Tags(grid), (std::vector<int>{3, 1, 4, 2}));
    EXPECT_FALSE(grid.GetColDescending(0));

    grid.SortBy(0, true);
    EXPECT_EQ(grid.GetText(0, 1), "a");
    EXPECT_EQ(grid.GetText(0, 4), "b");

    grid.SetText(0, 1, "B");  // byte order: capitals before lower case
    grid.SortColumn(0);
    EXPECT_EQ(grid.GetText(0, 1), "B");
}

TEST(GridSortTest, NumericColumnsReadEveryCellAsANumber) {
    TVarGrid grid;
    SetUpColumn(grid, ctFloat, 4);
    grid.SetFloat(0, 1, 1.5);
    grid.SetCellType(0, 2, ctText);
    grid.SetText(0, 2, "10");
    grid.SetCellType(0, 3, ctBlank);
    grid.SetCellType(0, 4, ctInteger);
    grid.SetInt(0, 4, -3);
    grid.SortBy(0, false);
    EXPECT_EQ(grid.GetCellType(0, 1), ctInteger);
    EXPECT_EQ(grid.GetCellType(0, 2), ctBlank);
    EXPECT_EQ(grid.GetCellType(0, 3), ctFloat);
    EXPECT_EQ(grid.GetText(0, 4), "10");

    grid.SetText(0, 4, "ten");
    ExpectGridError([&] { grid.SortColumn(0); }, "'ten' is not a valid floating point value");
    grid.SetCellType(0, 4, ctEmptyText);
    ExpectGridError([&] { grid.SortColumn(0); }, "Incompatible value in cell");
}

TEST(GridSortTest, UnsortableColumnsFail) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 2);
    grid.SetText(0, 1, "b");
    ExpectGridError([&] { grid.SortColumn(0); }, "Incompatible value in cell");
    EXPECT_EQ(grid.GetText(0, 1), "b");
    ExpectGridError([&] { grid.SortColumn(1); }, "Invalid column index");
    ExpectGridError([&] { grid.SortBy(-1, true); }, "Invalid column index");
    grid.SetColType(0, ctBlank);
    ExpectGridError([&] { grid.SortColumn(0); }, "Can not sort this column");
    EXPECT_EQ(grid.SortedColumn(), -1);
}

TEST(GridSortTest, WholeRowsMoveWithTheirKeys) {
    // Every column and the tag of a row must arrive together, whichever column is sorted.
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(1001);
    grid.SetColType(0, ctText);
    grid.SetColType(1, ctInteger);
    grid.SetColType(2, ctFloat);
    for (int row = 1; row <= 1000; ++row) {
        const int key = (row * 7919) % 1000;
        grid.SetText(0, row, "page " + std::to_string(key % 97));
        grid.SetInt(1, row, key % 13);
        grid.SetFloat(2, row, key);
        grid.SetRowTag(row, key);
    }
    const auto expectRowsWhole = [&] {
        for (int row = 1; row <= 1000; ++row) {
            const int key = grid.GetRowTag(row);
            ASSERT_EQ(grid.GetText(0, row), "page " + std::to_string(key % 97)) << row;
            ASSERT_EQ(grid.GetInt(1, row), key % 13) << row;
            ASSERT_EQ(grid.GetFloat(2, row), key) << row;
        }
    };
    grid.SortBy(1, true);
    expectRowsWhole();
    for (int row = 2; row <= 1000; ++row) ASSERT_GE(grid.GetInt(1, row - 1), grid.GetInt(1, row));
    grid.SortBy(0, false);
    expectRowsWhole();
    for (int row = 2; row <= 1000; ++row) ASSERT_GE(grid.GetText(0, row - 1), grid.GetText(0, row));
}

TEST(GridSortTest, GroupRowsLimitTheRanges) {
    TVarGrid grid;
    FillTagged(grid, {9, 1, 2, 8, 3, 4, 5});
    const int level = grid.AddSubGroupLevel();
    EXPECT_EQ(level, 1);
    grid.AddSubGroupRow(1, level);
    grid.AddSubGroupRow(4, level);
    ExpectGridError([&] { grid.AddSubGroupRow(2, 0); }, "Invalid Sub Group Level");
    grid.ShowSubGroupLevel(0);

    grid.SortBy(0, true);
    EXPECT_EQ(Tags(grid), (std::vector<int>{1, 3, 2, 4, 7, 6, 5}));
    EXPECT_TRUE(grid.IsGroupRow(4));
    EXPECT_FALSE(grid.IsGroupRow(2));
    EXPECT_EQ(grid.GroupRows(), (std::vector<int>{1, 4}));

    TVarGrid unordered;
    unordered.AddSubGroupLevel();
    unordered.AddSubGroupRow(5, 1);
    unordered.AddSubGroupRow(2, 1);
    EXPECT_TRUE(unordered.IsGroupRow(2));
    EXPECT_TRUE(unordered.IsGroupRow(5));
    EXPECT_FALSE(unordered.IsGroupRow(3));
}

TEST(GridSortTest, OnSortMayNarrowTheRange) {
    TVarGrid grid;
    FillTagged(grid, {1, 2, 3, 4, 5, 6});
    std::vector<std::pair<int, int>> seen;
    grid.OnSort = [&](TVarGrid&, int& first, int& last) {
        seen.emplace_back(first, last);
        last = grid.RowCount() - 3;  // keep the last two rows (totals) in place
    };
    grid.SortBy(0, true);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 6}}));
    EXPECT_EQ(Tags(grid), (std::vector<int>{4, 3, 2, 1, 5, 6}));
}

TEST(GridSeekTest, ModesAndStartRow) {
    TVarGrid grid;
    SetUpColumn(grid, ctText, 3);
    grid.SetText(0, 1, "ABC");
    grid.SetText(0, 2, "abcdef");
    grid.SetText(0, 3, "abc");
    EXPECT_EQ(grid.Seek(1, 0, "abc", 3), 3);
    EXPECT_EQ(grid.Seek(1, 0, "abc", 0), 1);
    EXPECT_EQ(grid.Seek(2, 0, "ABC", 1), 2);
    EXPECT_EQ(grid.Seek(1, 0, "CDE", 2), 2);
    EXPECT_EQ(grid.Seek(1, 0, "xyz", 2), -1);
    ExpectGridError([&] { grid.Seek(0, 0, "abc", 3); }, "Row out of range on Seek");
    ExpectGridError([&] { grid.Seek(4, 0, "abc", 3); }, "Row out of range on Seek");
}

}  // namespace
}  // namespace vestrel
