// "Export": the check list of the statistics to export, the file and its type. The run itself
// goes through TExportSession, with a progress window whose Cancel stops between statistics.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "output/export_run.h"

class QLineEdit;
class QListWidget;

namespace vestrel::gui {

class TfrmExport : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmExport(QWidget* parent = nullptr);

    QListWidget* List() const { return list_; }
    QLineEdit* FileField() const { return file_; }
    const TExportCheckList& CheckList() const { return checks_; }
    // What "&Export" chose; target 0 after "&Close" or with nothing checked.
    const TExportChoice& Choice() const { return choice_; }
    int FileTypeIndex() const { return fileType_; }

    // The "..." button: the save-file dialog with the three types, asking before it overwrites.
    void ChooseFile();

  public slots:
    void accept() override;

  private:
    void FillList();
    void ShowChecks();

    TExportCheckList checks_;
    TExportChoice choice_;
    int fileType_ = otHtmlFile;
    QListWidget* list_;
    QLineEdit* file_;
    bool showingChecks_ = false;
};

// The Qt name filters of the export types, in type order.
QStringList ExportNameFilters();

// Runs the dialog; the choice has target 0 when nothing is to be exported.
TExportChoice AskExport(QWidget* parent);

class TfrmProgress;

// The export's status as a progress window over `parent`, shown while the export runs: it
// follows the status texts, one step per statistic, and its Cancel asks the export to stop
// before the next statistic. `showGeneral` runs once the export is over, however it ended.
class TExportProgress : public TExportStatus {
  public:
    TExportProgress(QWidget* parent, int statistics, std::function<void()> showGeneral);
    ~TExportProgress() override;
    TExportProgress(const TExportProgress&) = delete;
    TExportProgress& operator=(const TExportProgress&) = delete;

    void SetStatusText(const std::string& text) override;
    void ProcessPendingEvents() override;
    void ShowGeneralReport() override;
    bool CancelRequested() override;

    TfrmProgress* Window() const { return window_; }

  private:
    TfrmProgress* window_;
    std::function<void()> showGeneral_;
    int done_ = 0;
    bool cancelled_ = false;
};

}  // namespace vestrel::gui
