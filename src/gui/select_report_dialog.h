// "Select Report": the stored reports with their domain, log size and date range, the commands
// that create, edit, copy and delete them, and OK, which opens the chosen one.
#pragma once

#include <QDialog>

#include "engine/log_files.h"
#include "shell/report_selection.h"
#include "shell/report_store.h"

class QTreeWidget;
class QPushButton;

namespace vestrel::gui {

class TfrmSelectReport : public QDialog {
    Q_OBJECT

  public:
    TfrmSelectReport(TDM1& store, const std::string& dataFolder, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    // After OK: the chosen report is current in the store and these are its local files.
    const TLogFileDataParam& Files() const { return files_; }

  public slots:
    void accept() override;

  private:
    void ShowEntries();
    void EnableCommands();
    void NewReport();
    void EditReport();
    void CopyReport();
    void DeleteReport();
    // Runs a command and shows what it raised in an error message box.
    template <typename Work>
    void Guarded(Work work);

    TDM1& store_;
    TSettingsFile settings_;
    TReportSelection selection_;
    QTreeWidget* list_;
    QPushButton* ok_;
    QPushButton* edit_;
    QPushButton* copy_;
    QPushButton* delete_;
    TLogFileDataParam files_;
};

// Runs the dialog; true on OK with the report current in the store and its files in `files`.
bool SelectReport(QWidget* parent, TDM1& store, const std::string& dataFolder,
                  TLogFileDataParam& files);

}  // namespace vestrel::gui
