// "Report Settings": the eight pages of one report definition over TReportSettingsModel. The
// lists are shown from the model and every command changes the model first; the plain fields are
// read into it on OK, which checks and stores the report.
#pragma once

#include <QDialog>
#include <vector>

#include "engine/locale_info.h"
#include "shell/report_settings.h"
#include "shell/report_store.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vestrel::gui {

class TfrmRepSettings : public QDialog {
    Q_OBJECT

  public:
    TfrmRepSettings(TReportSettingsModel& settings, QWidget* parent = nullptr,
                    const TLocaleInfo& locale = TLocaleInfo::Iso());

    QTabWidget* Pages() const { return pages_; }

  public slots:
    // Checks and stores the report; a problem or a store error is shown, and the dialog stays
    // open on the offending field.
    void accept() override;

  protected:
    // Files dropped from the desktop onto the local-files list.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The remote-file pages' own widgets, by TDownloadKind.
    struct TRemotePage {
        QTreeWidget* List = nullptr;
        QLineEdit* Login = nullptr;
        QLineEdit* Folder = nullptr;
    };

    QWidget* GeneralPage();
    QWidget* TimePeriodPage(const TLocaleInfo& locale);
    QWidget* TargetsPage();
    QWidget* FiltersPage();
    QWidget* LocalFilesPage();
    QWidget* TelnetPage();
    QWidget* RemoteFilesPage(TDownloadKind kind);
    void ShowValues();

    // Targets
    void ShowTargets(int selected);
    void AddTarget();
    void EditTarget();
    void RemoveTarget();
    // Filters, stored at once
    void ShowFilters();
    void AddFilter();
    void EditFilter();
    void RemoveFilter();
    // Local, FTP and WEB files
    QTreeWidget* CheckedList(std::vector<TCheckedLine>& lines);
    void ShowCheckedLines(QTreeWidget* list, const std::vector<TCheckedLine>& lines, int selected);
    void TakeCheckedLine(QTreeWidgetItem* item, std::vector<TCheckedLine>& lines);
    void RemoveCheckedLine(QTreeWidget* list, std::vector<TCheckedLine>& lines);
    void AddLocalFile();
    void AddLocalFolder();
    void AddRemoteFile(TDownloadKind kind);
    void ShowLogin(TDownloadKind kind);
    void EditLogin(TDownloadKind kind);
    void BrowseFolder(TDownloadKind kind);
    // Telnet lines
    void ShowTelnetLines(int selected);
    void AddTelnetLine();
    void EditTelnetLine();
    void RemoveTelnetLine();
    template <typename Command>
    void MoveTelnetLine(Command command);
    void EnableTelnetButtons();

    void ReadFields();
    void ShowProblem(const TSettingsProblem& problem);
    QWidget* ProblemWidget(TSettingsField field) const;
    // Runs a command and shows what it raised in an error message box.
    template <typename Work>
    void Guarded(Work work);

    TReportSettingsModel& settings_;
    QTabWidget* pages_ = nullptr;
    QLineEdit* domain_ = nullptr;
    QLineEdit* reportName_ = nullptr;
    QLineEdit* defaultPage_ = nullptr;
    QButtonGroup* dateChoice_ = nullptr;
    QDateEdit* fromDate_ = nullptr;
    QDateEdit* toDate_ = nullptr;
    QSpinBox* lastHours_ = nullptr;
    QSpinBox* lastDays_ = nullptr;
    QTreeWidget* targets_ = nullptr;
    QTreeWidget* filters_ = nullptr;
    QPushButton* editFilter_ = nullptr;
    QPushButton* removeFilter_ = nullptr;
    QTreeWidget* localFiles_ = nullptr;
    QTreeWidget* telnet_ = nullptr;
    QCheckBox* telnetActive_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    std::vector<QAbstractButton*> telnetLineButtons_;
    TRemotePage remote_[2];
    bool showingLines_ = false;  // a file list is being filled: its items are not edits
};

// Runs the dialog on a new report (isNew) or on the store's current report; true on OK, with the
// stored report current. A report that cannot be loaded is not shown: its error is.
bool EditReport(QWidget* parent, TDM1& store, bool isNew);

}  // namespace vestrel::gui
