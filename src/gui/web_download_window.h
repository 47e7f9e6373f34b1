// The "WEB Download" window of a report opening: fetches the report's enabled addresses one after
// another on a worker thread, showing the status line, the byte count and the progress of the
// transfer. A failed request or a file that cannot be created stays on show until Cancel; a
// transfer that stays silent too long is given up and the next address tried; Cancel keeps the
// files fetched before.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "acquisition/http_download.h"

class QPushButton;

namespace vestrel::gui {

class TDownloadDisplay;

class TfrmDownloadWEB : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmDownloadWEB(QWidget* parent = nullptr);

    // Fetches the WEBFiles lines modally; answers the "1" + local file name lines fetched.
    std::vector<std::string> Run(const THttpDownloadSettings& settings,
                                 const std::string& webFiles);
    // The display of a request in progress.
    void ShowTransfer(const std::string& status, int64_t received, int64_t length);

    TDownloadDisplay* Display() const { return display_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    friend class TWebBridge;
    void RequestDone(const TFetchResult& result);
    void Failed(const std::string& message);

    TDownloadDisplay* display_;
    QPushButton* cancel_;
    bool failed_ = false;
};

}  // namespace vestrel::gui
