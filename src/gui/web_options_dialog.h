// "WEB Options": the user name and password the HTTP download logs in with, stored with the
// report on OK.
#pragma once

#include <QDialog>

#include "shell/report_settings.h"

class QLineEdit;

namespace vestrel::gui {

class TfrmWebOptions : public QDialog {
    Q_OBJECT

  public:
    TfrmWebOptions(TReportSettingsModel& settings, QWidget* parent = nullptr);

  public slots:
    // Stores both texts unchanged; a store error is shown and the dialog stays open.
    void accept() override;

  private:
    TReportSettingsModel& settings_;
    QLineEdit* user_;
    QLineEdit* password_;
};

}  // namespace vestrel::gui
