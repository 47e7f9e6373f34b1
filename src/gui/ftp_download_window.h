// The "FTP Download" window of a report opening: fetches the report's enabled FTP files one after
// another on a worker thread, showing the status line, the byte count and the progress of the
// file in progress. A failure stays on show until Cancel; Cancel keeps the files fetched before.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "acquisition/ftp_download.h"

class QPushButton;

namespace vestrel::gui {

class TDownloadDisplay;

class TfrmFTP : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmFTP(QWidget* parent = nullptr);

    // Downloads modally; answers the "1" + local file name lines of the files fetched.
    std::vector<std::string> Run(const TFtpSettings& settings);
    void ShowDisplay(const TFtpDisplay& display);

    TDownloadDisplay* Display() const { return display_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    TDownloadDisplay* display_;
    QPushButton* cancel_;
};

}  // namespace vestrel::gui
