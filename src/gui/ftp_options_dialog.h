// "FTP Options": the FTP server and log-in of a report, stored with it on OK.
#pragma once

#include <QDialog>

#include "shell/report_settings.h"

class QLineEdit;

namespace vestrel::gui {

class TfrmFTPOptions : public QDialog {
    Q_OBJECT

  public:
    TfrmFTPOptions(TReportSettingsModel& settings, QWidget* parent = nullptr);

  public slots:
    // Stores the three texts unchanged; a store error is shown and the dialog stays open.
    void accept() override;

  private:
    TReportSettingsModel& settings_;
    QLineEdit* site_;
    QLineEdit* user_;
    QLineEdit* password_;
};

}  // namespace vestrel::gui
