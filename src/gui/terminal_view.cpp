#include "gui/terminal_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace vestrel::gui {

namespace {

const QColor kDefaultForeground(0xD0, 0xD0, 0xD0);
const QColor kDefaultBackground(Qt::black);
constexpr int kMargin = 4;

int ModifiersOf(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= kTerminalShift;
    if (modifiers & Qt::AltModifier) bits |= kTerminalAlt;
    if (modifiers & Qt::ControlModifier) bits |= kTerminalCtrl;
    return bits;
}

// The terminal key of a Qt key that sends a control sequence, or false.
bool TerminalKeyOf(int key, TTerminalKey& terminalKey, int& functionNumber) {
    static const std::pair<int, TTerminalKey> kKeys[] = {
        {Qt::Key_Return, TTerminalKey::Enter},      {Qt::Key_Enter, TTerminalKey::Enter},
        {Qt::Key_Tab, TTerminalKey::Tab},           {Qt::Key_Backspace, TTerminalKey::Backspace},
        {Qt::Key_Escape, TTerminalKey::Escape},     {Qt::Key_Up, TTerminalKey::Up},
        {Qt::Key_Down, TTerminalKey::Down},         {Qt::Key_Left, TTerminalKey::Left},
        {Qt::Key_Right, TTerminalKey::Right},       {Qt::Key_Insert, TTerminalKey::Insert},
        {Qt::Key_Delete, TTerminalKey::Delete},     {Qt::Key_Home, TTerminalKey::Home},
        {Qt::Key_End, TTerminalKey::End},           {Qt::Key_PageUp, TTerminalKey::PageUp},
        {Qt::Key_PageDown, TTerminalKey::PageDown},
    };
    for (const auto& [qtKey, mapped] : kKeys) {
        if (qtKey != key) continue;
        terminalKey = mapped;
        return true;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        terminalKey = TTerminalKey::Function;
        functionNumber = key - Qt::Key_F1 + 1;
        return true;
    }
    return false;
}

QColor ColourOf(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

TTerminalView::TTerminalView(TTerminalScreen& screen, QWidget* parent)
    : QAbstractScrollArea(parent), screen_(screen) {
    setObjectName("Terminal");
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette colours = viewport()->palette();
    colours.setColor(QPalette::Base, kDefaultBackground);
    viewport()->setPalette(colours);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    UpdateScrollRange();
}

QSize TTerminalView::CellSize() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QLatin1Char('M')), metrics.height()};
}

QSize TTerminalView::sizeHint() const {
    const QSize cell = CellSize();
    return {cell.width() * kTerminalColumns + 2 * kMargin +
                verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
            cell.height() * kTerminalRows + 2 * kMargin + 2 * frameWidth()};
}

QSize TTerminalView::minimumSizeHint() const {
    const QSize cell = CellSize();
    return {cell.width() * 20, cell.height() * 5};
}

int TTerminalView::VisibleRows() const {
    return std::max(1, (viewport()->height() - 2 * kMargin) / CellSize().height());
}

void TTerminalView::UpdateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, screen_.LineCount() - VisibleRows()));
    bar->setPageStep(VisibleRows());
    const int width = CellSize().width() * kTerminalColumns + 2 * kMargin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TTerminalView::Write(const std::string& bytes) {
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    screen_.Write(bytes);
    UpdateScrollRange();
    if (atEnd) ScrollToEnd();
    viewport()->update();
}

void TTerminalView::Clear() {
    screen_.Clear();
    UpdateScrollRange();
    ScrollToEnd();
    viewport()->update();
}

void TTerminalView::ScrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TTerminalView::resizeEvent(QResizeEvent* event) {
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    if (atEnd) ScrollToEnd();
}

void TTerminalView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QSize cell = CellSize();
    const QFontMetrics metrics(font());
    QFont bold = font();
    bold.setBold(true);
    const int first = verticalScrollBar()->value();
    const int left = kMargin - horizontalScrollBar()->value();
    for (int row = 0; row <= VisibleRows() && first + row < screen_.LineCount(); ++row) {
        const int line = first + row, top = kMargin + row * cell.height();
        for (int column = 0; column < kTerminalColumns; ++column) {
            const TTerminalCell shown = screen_.Cell(line, column);
            if (shown.Width == 0) continue;
            QColor foreground =
                shown.DefaultForeground ? kDefaultForeground : ColourOf(shown.Foreground);
            QColor background =
                shown.DefaultBackground ? kDefaultBackground : ColourOf(shown.Background);
            const bool cursor = screen_.CursorVisible() && hasFocus() &&
                                line == screen_.CursorLine() && column == screen_.CursorColumn();
            if (shown.Reverse != cursor) std::swap(foreground, background);
            const QRect box(left + column * cell.width(), top,
                            cell.width() * std::max(1, shown.Width), cell.height());
            if (background != kDefaultBackground) painter.fillRect(box, background);
            if (shown.Text.empty()) continue;
            painter.setFont(shown.Bold ? bold : font());
            QFont used = painter.font();
            used.setUnderline(shown.Underline);
            painter.setFont(used);
            painter.setPen(foreground);
            painter.drawText(
                box.left(), top + metrics.ascent(),
                QString::fromUcs4(shown.Text.data(), static_cast<int>(shown.Text.size())));
        }
    }
    if (screen_.CursorVisible() && !hasFocus()) {
        const int row = screen_.CursorLine() - first;
        painter.setPen(kDefaultForeground);
        painter.drawRect(left + screen_.CursorColumn() * cell.width(),
                         kMargin + row * cell.height(), cell.width() - 1, cell.height() - 1);
    }
}

void TTerminalView::keyPressEvent(QKeyEvent* event) {
    TTerminalKey key{};
    int functionNumber = 0;
    std::string bytes;
    const int modifiers = ModifiersOf(event->modifiers());
    if (TerminalKeyOf(event->key(), key, functionNumber)) {
        bytes = screen_.KeyBytes(key, modifiers, functionNumber);
    } else if (!event->text().isEmpty()) {
        // Control letters come as their control character; the text is what the key means.
        for (char32_t c : event->text().toUcs4())
            bytes += c < 0x20 || c == 0x7F ? std::string(1, static_cast<char>(c))
                                           : screen_.CharacterBytes(c, modifiers & kTerminalAlt);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    if (bytes.empty()) return;
    ScrollToEnd();
    emit Typed(bytes);
}

// Tab belongs to the session, not to moving between the window's controls.
bool TTerminalView::focusNextPrevChild(bool) {
    return false;
}

}  // namespace vestrel::gui
