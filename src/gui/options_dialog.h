// "Options": the settings of every report (site-tree limit, days in lists, search engines in the
// referrers, time zone) and the editors of the five reference lists. OK stores the settings;
// OK and Cancel both write the lists back.
#pragma once

#include <QDialog>
#include <string>

#include "shell/options.h"
#include "shell/report_store.h"
#include "shell/settings_file.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QVBoxLayout;

namespace vestrel::gui {

class TfrmOptions : public QDialog {
    Q_OBJECT

  public:
    TfrmOptions(TDM1& store, std::string dataFolder, QWidget* parent = nullptr);

    QTabWidget* Pages() const { return pages_; }
    const TOptionLists& Lists() const { return lists_; }

  public slots:
    void accept() override;
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A plain list of extensions with its entry field.
    struct TTextListView {
        TTextList* Model = nullptr;
        QListWidget* List = nullptr;
        QLineEdit* Entry = nullptr;
        QPushButton* Add = nullptr;
        QPushButton* Remove = nullptr;
    };
    // A table list with its three buttons.
    struct TTableView {
        QTreeWidget* Table = nullptr;
        QPushButton* Add = nullptr;
        QPushButton* Edit = nullptr;
        QPushButton* Remove = nullptr;
    };

    QWidget* CreateGeneralPage();
    QWidget* CreateTimePage();
    QWidget* CreateFilesPage();
    QWidget* CreateTextListBox(const char* title, const char* name, TTextList& model,
                               TTextListView& view);
    QWidget* CreateTablePage(const char* title, const QStringList& headers, const char* name,
                             TTableView& view, const char* note = nullptr);
    void ConnectSearchEngines();
    void ConnectAgents(TTableView& view, TSortedTable<TAgentRow>& model, const char* what,
                       const char* topic);
    void ConnectTableButtons(TTableView& view);
    void AddToTextList(TTextListView& view);
    void ShowValues();
    void ShowLoadErrors();
    void CreateDatabase();

    // A number field left: its value shown as a whole number, or the error with the field focused.
    bool CheckNumberField(QLineEdit* field);
    void CheckOffsetField();
    TOptions Values() const;
    // Writes the five lists; on failure shows the error and answers false.
    bool StoreLists();

    TDM1& store_;
    std::string dataFolder_;
    TSettingsFile settings_;
    TOptionLists lists_;
    QTabWidget* pages_ = nullptr;
    QLineEdit* stopBuildTree_ = nullptr;
    QLineEdit* lastDays_ = nullptr;
    QCheckBox* excludeSearch_ = nullptr;
    QCheckBox* excludeRobots_ = nullptr;
    QVBoxLayout* reportBoxes_ = nullptr;  // the tick boxes of the statistics
    QRadioButton* timeFromFiles_ = nullptr;
    QRadioButton* zoneFromFiles_ = nullptr;
    QRadioButton* specifyOffset_ = nullptr;
    QLineEdit* offset_ = nullptr;
    TTextListView globalExclude_;
    TTextListView webPageExts_;
    TTableView searchEngines_;
    TTableView userAgents_;
    TTableView opSystems_;
    bool checking_ = false;  // a field's error box is up
};

// Runs the dialog; true on OK.
bool ShowOptions(QWidget* parent, TDM1& store, const std::string& dataFolder);

}  // namespace vestrel::gui
