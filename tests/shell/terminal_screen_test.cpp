// The telnet window's terminal: what a server's output puts on the 25 by 80 screen, the lines kept
// for scrolling back, and the bytes the keys send.
#include "shell/terminal_screen.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

TEST(TerminalScreenTest, TextLineEndsAndControlSequencesLandOnTheScreen) {
    TTerminalScreen screen;
    screen.Write("Welcome\r\nLOGIN: ");
    EXPECT_EQ(screen.LineText(0), "Welcome");
    EXPECT_EQ(screen.LineText(1), "LOGIN:");
    EXPECT_EQ(screen.CursorLine(), 1);
    EXPECT_EQ(screen.CursorColumn(), 7);

    // Cursor addressing, erasing to the end of the line, bold red text.
    screen.Write("\x1b[1;3HXY\x1b[2;1H\x1b[K\x1b[1;31mred\x1b[0m");
    EXPECT_EQ(screen.LineText(0), "WeXYome");
    EXPECT_EQ(screen.LineText(1), "red");
    const TTerminalCell red = screen.Cell(1, 0);
    EXPECT_EQ(red.Text, U"r");
    EXPECT_TRUE(red.Bold);
    EXPECT_FALSE(red.DefaultForeground);
    EXPECT_TRUE(screen.Cell(1, 3).DefaultForeground);

    // UTF-8 text, a wide character covering two cells.
    screen.Write("\r\n\xc3\xa9t\xc3\xa9 \xe6\x97\xa5x");
    EXPECT_EQ(screen.LineText(2), "\xc3\xa9t\xc3\xa9 \xe6\x97\xa5x");
    EXPECT_EQ(screen.Cell(2, 4).Width, 2);
    EXPECT_EQ(screen.Cell(2, 5).Width, 0);
    EXPECT_EQ(screen.Cell(2, 6).Text, U"x");
}

TEST(TerminalScreenTest, LinesScrolledOffTheTopAreKeptUpToTheLimit) {
    TTerminalScreen screen(10);
    for (int line = 0; line < 30; ++line) screen.Write("line " + std::to_string(line) + "\r\n");
    // 30 lines and the empty line under the cursor: 6 scrolled off.
    EXPECT_EQ(screen.ScrollbackCount(), 6);
    EXPECT_EQ(screen.LineCount(), 31);
    EXPECT_EQ(screen.LineText(0), "line 0");
    EXPECT_EQ(screen.LineText(6), "line 6");
    EXPECT_EQ(screen.CursorLine(), 30);

    for (int line = 30; line < 50; ++line) screen.Write("line " + std::to_string(line) + "\r\n");
    EXPECT_EQ(screen.ScrollbackCount(), 10);
    EXPECT_EQ(screen.LineText(0), "line 16");
    EXPECT_EQ(screen.LineText(screen.LineCount() - 2), "line 49");

    screen.Clear();
    EXPECT_EQ(screen.ScrollbackCount(), 0);
    EXPECT_EQ(screen.LineText(0), "");
    EXPECT_EQ(screen.CursorLine(), 0);
    EXPECT_EQ(screen.Cell(-1, 0), TTerminalCell{});
    EXPECT_EQ(screen.Cell(0, kTerminalColumns), TTerminalCell{});
}

TEST(TerminalScreenTest, KeysSendWhatAVt100Sends) {
    TTerminalScreen screen;
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Enter, 0), "\r\n");
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Up, 0), "\x1b[A");
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Backspace, 0), "\x7f");
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Tab, 0), "\t");
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Function, 0, 1), "\x1bOP");
    EXPECT_EQ(screen.CharacterBytes(U'a', 0), "a");
    EXPECT_EQ(screen.CharacterBytes(U'\u00e9', 0), "\xc3\xa9");
    EXPECT_EQ(screen.CharacterBytes(U'x', kTerminalAlt), "\x1bx");
    // The application cursor mode a full-screen program asks for changes the arrows.
    screen.Write("\x1b[?1h");
    EXPECT_EQ(screen.KeyBytes(TTerminalKey::Up, 0), "\x1bOA");
}

}  // namespace
}  // namespace vestrel
