// A terminal screen painted in a widget: 80 columns of 25 rows in a fixed-pitch font, the lines
// scrolled off the top reachable with the scroll bar, the cursor as a block. What the user types
// is turned into the bytes a VT100 sends and handed on with Typed; nothing is echoed locally.
#pragma once

#include <QAbstractScrollArea>
#include <string>

#include "shell/terminal_screen.h"

namespace vestrel::gui {

class TTerminalView : public QAbstractScrollArea {
    Q_OBJECT

  public:
    TTerminalView(TTerminalScreen& screen, QWidget* parent = nullptr);

    // What the server sent; the view follows the last line while it is scrolled to the end.
    void Write(const std::string& bytes);
    void Clear();
    void ScrollToEnd();
    TTerminalScreen& Screen() { return screen_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void Typed(const std::string& bytes);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void UpdateScrollRange();
    int VisibleRows() const;
    QSize CellSize() const;

    TTerminalScreen& screen_;
};

}  // namespace vestrel::gui
