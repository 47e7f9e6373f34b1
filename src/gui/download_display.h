// The three display items both download windows show: a status line, a byte-count line and a
// progress bar whose range follows byte counts beyond what a bar can hold.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;

namespace vestrel::gui {

class TDownloadDisplay : public QWidget {
    Q_OBJECT

  public:
    explicit TDownloadDisplay(QWidget* parent = nullptr);

    void SetStatus(const std::string& text);
    void SetByteCount(const std::string& text);
    // The bar at `position` of `maximum` bytes.
    void SetProgress(int64_t position, int64_t maximum);

    QLabel* StatusLine() const { return status_; }
    QLabel* ByteCountLine() const { return byteCount_; }
    QProgressBar* ProgressBar() const { return bar_; }

  private:
    QLabel* status_;
    QLabel* byteCount_;
    QProgressBar* bar_;
};

}  // namespace vestrel::gui
