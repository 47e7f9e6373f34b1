#include "gui/download_display.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "gui/qt_text.h"

namespace vestrel::gui {

TDownloadDisplay::TDownloadDisplay(QWidget* parent) : QWidget(parent) {
    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    status_->setMinimumWidth(420);
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    byteCount_ = new QLabel(this);
    byteCount_->setObjectName("lblByteCount");
    bar_ = new QProgressBar(this);
    bar_->setObjectName("barProgress");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(status_);
    layout->addWidget(byteCount_);
    layout->addWidget(bar_);
}

void TDownloadDisplay::SetStatus(const std::string& text) {
    status_->setText(ToQString(text));
}

void TDownloadDisplay::SetByteCount(const std::string& text) {
    byteCount_->setText(ToQString(text));
}

void TDownloadDisplay::SetProgress(int64_t position, int64_t maximum) {
    maximum = std::max<int64_t>(maximum, 0);
    position = std::clamp<int64_t>(position, 0, maximum);
    int64_t scale = 1;
    while (maximum / scale > INT_MAX) scale *= 1024;
    bar_->setRange(0, static_cast<int>(maximum / scale));
    bar_->setValue(static_cast<int>(position / scale));
}

}  // namespace vestrel::gui
