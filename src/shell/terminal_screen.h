// The telnet window's terminal: a VT100 screen of 25 rows of 80 columns (libvterm) fed with what
// the server sends, the lines scrolled off its top kept for scrolling back, and the bytes each
// key the user presses sends to the server. Without widgets: a view paints its cells.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace vestrel {

inline constexpr int kTerminalRows = 25, kTerminalColumns = 80;

struct TTerminalCell {
    std::u32string Text;  // empty for a blank cell or the right half of a wide character
    int Width = 1;        // 2 for a wide character, 0 for the right half it covers
    uint32_t Foreground = 0, Background = 0;  // 0xRRGGBB
    bool DefaultForeground = true, DefaultBackground = true;
    bool Bold = false, Underline = false, Reverse = false;
    bool operator==(const TTerminalCell&) const = default;
};

enum class TTerminalKey {
    Enter,
    Tab,
    Backspace,
    Escape,
    Up,
    Down,
    Left,
    Right,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    Function  // Function with its number 1..12
};

// Modifier bits of a key press.
inline constexpr int kTerminalShift = 1, kTerminalAlt = 2, kTerminalCtrl = 4;

class TTerminalScreen {
  public:
    explicit TTerminalScreen(size_t scrollbackLimit = 1000);
    ~TTerminalScreen();
    TTerminalScreen(const TTerminalScreen&) = delete;
    TTerminalScreen& operator=(const TTerminalScreen&) = delete;

    // What the server sent, control sequences included (UTF-8 text).
    void Write(std::string_view bytes);
    // A blank screen, the cursor home and no lines to scroll back to.
    void Clear();

    // Lines are counted from the oldest kept line: the scrolled-off lines, then the screen's rows.
    int LineCount() const { return static_cast<int>(scrollback_.size()) + kTerminalRows; }
    int ScrollbackCount() const { return static_cast<int>(scrollback_.size()); }
    TTerminalCell Cell(int line, int column) const;
    // The line's text as UTF-8, trailing blanks dropped.
    std::string LineText(int line) const;
    // The cursor as a line (of LineCount) and a column.
    int CursorLine() const { return ScrollbackCount() + cursorRow_; }
    int CursorColumn() const { return cursorColumn_; }
    bool CursorVisible() const { return cursorVisible_; }

    // What a key press sends to the server. Enter sends CR LF, the telnet end of line.
    std::string KeyBytes(TTerminalKey key, int modifiers, int functionNumber = 0);
    std::string CharacterBytes(char32_t character, int modifiers);

  private:
    static int PushLine(int columns, const void* cells, void* self);
    static int MoveCursor(int row, int column, int visible, void* self);
    static void Output(const char* bytes, size_t size, void* self);
    TTerminalCell ConvertCell(const void* cell) const;

    VTerm* terminal_;
    VTermScreen* screen_;
    size_t scrollbackLimit_;
    std::deque<std::vector<TTerminalCell>> scrollback_;
    int cursorRow_ = 0, cursorColumn_ = 0;
    bool cursorVisible_ = true;
    std::string output_;
};

}  // namespace vestrel
