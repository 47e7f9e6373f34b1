#include "shell/terminal_screen.h"

#include <vterm.h>

namespace vestrel {

namespace {

void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

VTermModifier ModifierOf(int modifiers) {
    int mod = VTERM_MOD_NONE;
    if (modifiers & kTerminalShift) mod |= VTERM_MOD_SHIFT;
    if (modifiers & kTerminalAlt) mod |= VTERM_MOD_ALT;
    if (modifiers & kTerminalCtrl) mod |= VTERM_MOD_CTRL;
    return static_cast<VTermModifier>(mod);
}

VTermKey VTermKeyOf(TTerminalKey key, int functionNumber) {
    switch (key) {
        case TTerminalKey::Enter:
            return VTERM_KEY_ENTER;
        case TTerminalKey::Tab:
            return VTERM_KEY_TAB;
        case TTerminalKey::Backspace:
            return VTERM_KEY_BACKSPACE;
        case TTerminalKey::Escape:
            return VTERM_KEY_ESCAPE;
        case TTerminalKey::Up:
            return VTERM_KEY_UP;
        case TTerminalKey::Down:
            return VTERM_KEY_DOWN;
        case TTerminalKey::Left:
            return VTERM_KEY_LEFT;
        case TTerminalKey::Right:
            return VTERM_KEY_RIGHT;
        case TTerminalKey::Insert:
            return VTERM_KEY_INS;
        case TTerminalKey::Delete:
            return VTERM_KEY_DEL;
        case TTerminalKey::Home:
            return VTERM_KEY_HOME;
        case TTerminalKey::End:
            return VTERM_KEY_END;
        case TTerminalKey::PageUp:
            return VTERM_KEY_PAGEUP;
        case TTerminalKey::PageDown:
            return VTERM_KEY_PAGEDOWN;
        case TTerminalKey::Function:
            return static_cast<VTermKey>(VTERM_KEY_FUNCTION(functionNumber));
    }
    return VTERM_KEY_NONE;
}

uint32_t Rgb(const VTermColor& colour) {
    return (uint32_t{colour.rgb.red} << 16) | (uint32_t{colour.rgb.green} << 8) | colour.rgb.blue;
}

}  // namespace

TTerminalScreen::TTerminalScreen(size_t scrollbackLimit)
    : terminal_(vterm_new(kTerminalRows, kTerminalColumns)),
      screen_(vterm_obtain_screen(terminal_)),
      scrollbackLimit_(scrollbackLimit) {
    static const VTermScreenCallbacks callbacks = [] {
        VTermScreenCallbacks table{};
        table.movecursor = [](VTermPos position, VTermPos, int visible, void* self) {
            return MoveCursor(position.row, position.col, visible, self);
        };
        table.settermprop = [](VTermProp property, VTermValue* value, void* self) {
            if (property == VTERM_PROP_CURSORVISIBLE)
                static_cast<TTerminalScreen*>(self)->cursorVisible_ = value->boolean;
            return 1;
        };
        table.sb_pushline = [](int columns, const VTermScreenCell* cells, void* self) {
            return PushLine(columns, cells, self);
        };
        return table;
    }();
    vterm_set_utf8(terminal_, 1);
    vterm_output_set_callback(terminal_, &TTerminalScreen::Output, this);
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
}

TTerminalScreen::~TTerminalScreen() {
    vterm_free(terminal_);
}

void TTerminalScreen::Write(std::string_view bytes) {
    vterm_input_write(terminal_, bytes.data(), bytes.size());
}

void TTerminalScreen::Clear() {
    vterm_screen_reset(screen_, 1);
    scrollback_.clear();
    cursorRow_ = cursorColumn_ = 0;
    cursorVisible_ = true;
}

TTerminalCell TTerminalScreen::Cell(int line, int column) const {
    if (line < 0 || line >= LineCount() || column < 0 || column >= kTerminalColumns) return {};
    if (line < ScrollbackCount()) {
        const std::vector<TTerminalCell>& kept = scrollback_[static_cast<size_t>(line)];
        return static_cast<size_t>(column) < kept.size() ? kept[static_cast<size_t>(column)]
                                                         : TTerminalCell{};
    }
    VTermScreenCell cell;
    if (!vterm_screen_get_cell(screen_, {line - ScrollbackCount(), column}, &cell)) return {};
    return ConvertCell(&cell);
}

std::string TTerminalScreen::LineText(int line) const {
    std::string text;
    size_t kept = 0;
    for (int column = 0; column < kTerminalColumns; ++column) {
        const TTerminalCell cell = Cell(line, column);
        if (cell.Width == 0) continue;
        if (cell.Text.empty()) text += ' ';
        for (char32_t c : cell.Text) AppendUtf8(text, c);
        if (!cell.Text.empty() && cell.Text != U" ") kept = text.size();
    }
    text.resize(kept);
    return text;
}

std::string TTerminalScreen::KeyBytes(TTerminalKey key, int modifiers, int functionNumber) {
    if (key == TTerminalKey::Enter) return "\r\n";
    output_.clear();
    vterm_keyboard_key(terminal_, VTermKeyOf(key, functionNumber), ModifierOf(modifiers));
    return output_;
}

std::string TTerminalScreen::CharacterBytes(char32_t character, int modifiers) {
    output_.clear();
    vterm_keyboard_unichar(terminal_, character, ModifierOf(modifiers));
    return output_;
}

int TTerminalScreen::PushLine(int columns, const void* cells, void* self) {
    auto& screen = *static_cast<TTerminalScreen*>(self);
    if (screen.scrollbackLimit_ == 0) return 1;
    const auto* vtermCells = static_cast<const VTermScreenCell*>(cells);
    std::vector<TTerminalCell> line;
    line.reserve(static_cast<size_t>(columns));
    for (int column = 0; column < columns; ++column)
        line.push_back(screen.ConvertCell(&vtermCells[column]));
    screen.scrollback_.push_back(std::move(line));
    if (screen.scrollback_.size() > screen.scrollbackLimit_) screen.scrollback_.pop_front();
    return 1;
}

int TTerminalScreen::MoveCursor(int row, int column, int visible, void* self) {
    auto& screen = *static_cast<TTerminalScreen*>(self);
    screen.cursorRow_ = row;
    screen.cursorColumn_ = column;
    screen.cursorVisible_ = visible != 0;
    return 1;
}

void TTerminalScreen::Output(const char* bytes, size_t size, void* self) {
    static_cast<TTerminalScreen*>(self)->output_.append(bytes, size);
}

TTerminalCell TTerminalScreen::ConvertCell(const void* source) const {
    VTermScreenCell cell = *static_cast<const VTermScreenCell*>(source);
    TTerminalCell converted;
    constexpr uint32_t kCoveredCell = 0xFFFFFFFF;  // the right half of a wide character
    if (cell.chars[0] == kCoveredCell) converted.Width = 0;
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && cell.chars[i] != 0 && converted.Width; ++i)
        converted.Text += static_cast<char32_t>(cell.chars[i]);
    if (converted.Width != 0) converted.Width = cell.width;
    converted.DefaultForeground = VTERM_COLOR_IS_DEFAULT_FG(&cell.fg);
    converted.DefaultBackground = VTERM_COLOR_IS_DEFAULT_BG(&cell.bg);
    vterm_screen_convert_color_to_rgb(screen_, &cell.fg);
    vterm_screen_convert_color_to_rgb(screen_, &cell.bg);
    converted.Foreground = Rgb(cell.fg);
    converted.Background = Rgb(cell.bg);
    converted.Bold = cell.attrs.bold;
    converted.Underline = cell.attrs.underline != VTERM_UNDERLINE_OFF;
    converted.Reverse = cell.attrs.reverse;
    return converted;
}

}  // namespace vestrel
