#include "gui/report_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <optional>

#include "engine/errors.h"
#include "gui/dialog_buttons.h"
#include "gui/ftp_options_dialog.h"
#include "gui/log_filter_dialog.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "gui/telnet_command_dialog.h"
#include "gui/web_options_dialog.h"

namespace vestrel::gui {

namespace {

constexpr const char* kDomainNote = "Enter the bare domain name, without any leading \"www\"";
constexpr const char* kDefaultPageNote = "In most cases \"index.htm\" or \"index.html\"";

int Index(TDownloadKind kind) {
    return static_cast<int>(kind);
}

QTreeWidget* NewList(QWidget* parent, const char* name, const QStringList& columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setHeaderLabels(columns);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(true);
    list->setMinimumSize(list->fontMetrics().averageCharWidth() * 56,
                         list->fontMetrics().height() * 10);
    return list;
}

// A key without Ctrl, Alt or Shift that runs a command while the list itself has the focus (keys
// typed into its in-place editor go to the editor).
class TListKey : public QObject {
  public:
    TListKey(QWidget* list, Qt::Key key, std::function<void()> command)
        : QObject(list), key_(key), command_(std::move(command)) {
        list->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* press = static_cast<QKeyEvent*>(event);
        if (press->key() != key_ || (press->modifiers() & ~Qt::KeypadModifier) != 0) return false;
        command_();
        return true;
    }

  private:
    Qt::Key key_;
    std::function<void()> command_;
};

void OnKey(QWidget* list, Qt::Key key, std::function<void()> command) {
    new TListKey(list, key, std::move(command));
}

// A titled box: the list with its buttons beside it, top down, and `below` under both.
QGroupBox* ListBox(QWidget* parent, const QString& title, QTreeWidget* list,
                   std::initializer_list<QWidget*> buttons, QLayout* below = nullptr) {
    auto* box = new QGroupBox(title, parent);
    auto* column = new QVBoxLayout;
    for (QWidget* button : buttons) column->addWidget(button);
    column->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(column);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(row, 1);
    if (below != nullptr) layout->addLayout(below);
    return box;
}

QWidget* PageOf(QWidget* content) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(content);
    return page;
}

int SelectedRow(const QTreeWidget* list) {
    QTreeWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? list->indexOfTopLevelItem(item) : -1;
}

void SelectRow(QTreeWidget* list, int row) {
    if (QTreeWidgetItem* item = list->topLevelItem(row)) list->setCurrentItem(item);
}

// The buttons that work on the selected entry are enabled only while there is one.
void EnableWhileSelected(QTreeWidget* list, std::initializer_list<QWidget*> buttons) {
    const std::vector<QWidget*> enabled(buttons);
    for (QWidget* button : enabled) button->setEnabled(false);
    QObject::connect(list, &QTreeWidget::itemSelectionChanged, list, [list, enabled] {
        for (QWidget* button : enabled) button->setEnabled(SelectedRow(list) >= 0);
    });
}

// The file-open dialog's choices of "Name (pattern)|pattern|..." in Qt's form, where "*" stands
// for every file.
QStringList NameFiltersOf(std::string_view types) {
    QStringList filters;
    const QStringList parts = ToQString(types).split('|');
    for (qsizetype i = 0; i < parts.size(); i += 2)
        filters << QString(parts[i]).replace("(*.*)", "(*)");
    return filters;
}

std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& start) {
    QFileDialog dialog(parent, kSelectDirectoryTitle, ToQString(start));
    dialog.setObjectName("dlgChooseFolder");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return FromQString(dialog.selectedFiles().first());
}

std::optional<std::string> AskText(QWidget* parent, const std::string& preset) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, kTargetBoxCaption, kTargetBoxLabel,
                                                 QLineEdit::Normal, ToQString(preset), &ok);
    if (!ok) return {};
    return FromQString(answer);
}

bool HasLocalFiles(const QMimeData* data) {
    if (data == nullptr) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

}  // namespace

TfrmRepSettings::TfrmRepSettings(TReportSettingsModel& settings, QWidget* parent,
                                 const TLocaleInfo& locale)
    : QDialog(parent), settings_(settings) {
    setObjectName("frmRepSettings");
    setWindowTitle("Report Settings");
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pcSettings");
    pages_->setUsesScrollButtons(false);  // every page's tab stays in sight
    pages_->addTab(GeneralPage(), kSettingsPages[spGeneral].Caption);
    pages_->addTab(TimePeriodPage(locale), kSettingsPages[spTimePeriod].Caption);
    pages_->addTab(TargetsPage(), kSettingsPages[spTargets].Caption);
    pages_->addTab(FiltersPage(), kSettingsPages[spFilters].Caption);
    pages_->addTab(LocalFilesPage(), kSettingsPages[spLocalFiles].Caption);
    pages_->addTab(TelnetPage(), kSettingsPages[spTelnet].Caption);
    pages_->addTab(RemoteFilesPage(TDownloadKind::Ftp), kSettingsPages[spFtpFiles].Caption);
    pages_->addTab(RemoteFilesPage(TDownloadKind::Web), kSettingsPages[spWebFiles].Caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(NewDialogButtons(
        *this, [this] { return kSettingsPages[pages_->currentIndex()].HelpTopic; }));
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    ShowValues();
    domain_->setFocus();
}

// ---- Pages ----

QWidget* TfrmRepSettings::GeneralPage() {
    auto* page = new QWidget;
    auto newField = [page](const char* name, const char* field) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(name);
        edit->setMaxLength(ReportFieldSize(field));
        return edit;
    };
    domain_ = newField("edtDomain", "Domain");
    reportName_ = newField("edtReportName", "Name");
    defaultPage_ = newField("edtDefaultPage", "DefaultPage");
    auto* fields = new QFormLayout(page);
    fields->addRow("&Domain name", domain_);
    fields->addRow("", new QLabel(kDomainNote, page));
    fields->addRow("&Report name", reportName_);
    fields->addRow("Default &page", defaultPage_);
    fields->addRow("", new QLabel(kDefaultPageNote, page));
    return page;
}

QWidget* TfrmRepSettings::TimePeriodPage(const TLocaleInfo& locale) {
    auto* page = new QWidget;
    dateChoice_ = new QButtonGroup(page);
    auto newChoice = [&](const char* caption, TDateChoice choice, const char* name) {
        auto* button = new QRadioButton(caption, page);
        button->setObjectName(name);
        dateChoice_->addButton(button, static_cast<int>(choice));
        return button;
    };
    auto newDate = [&](const char* name) {
        auto* box = new QDateEdit(page);
        box->setObjectName(name);
        box->setMinimumDate(kDayZero);
        box->setCalendarPopup(true);
        box->setDisplayFormat(QtDateFormat(locale.ShortDateFormat));
        return box;
    };
    auto newPeriod = [&](const char* name) {
        auto* box = new QSpinBox(page);
        box->setObjectName(name);
        box->setRange(kPeriodMin, kPeriodMax);
        box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
        return box;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(newChoice("Include all log data", TDateChoice::AllLogData, "rbAll"), 0, 0, 1,
                    4);
    grid->addWidget(newChoice("From", TDateChoice::FromTo, "rbFromTo"), 1, 0);
    fromDate_ = newDate("dtpFromDate");
    grid->addWidget(fromDate_, 1, 1);
    grid->addWidget(new QLabel("To", page), 1, 2);
    toDate_ = newDate("dtpToDate");
    grid->addWidget(toDate_, 1, 3);
    grid->addWidget(newChoice("Last", TDateChoice::LastHours, "rbLastHours"), 2, 0);
    lastHours_ = newPeriod("spnLastHours");
    grid->addWidget(lastHours_, 2, 1);
    grid->addWidget(new QLabel("Hours", page), 2, 2);
    grid->addWidget(newChoice("Last", TDateChoice::LastDays, "rbLastDays"), 3, 0);
    lastDays_ = newPeriod("spnLastDays");
    grid->addWidget(lastDays_, 3, 1);
    grid->addWidget(new QLabel("Days", page), 3, 2);
    grid->setColumnStretch(4, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

QWidget* TfrmRepSettings::TargetsPage() {
    targets_ = NewList(nullptr, "lvTargets", {"Filename"});
    auto* add = NewCommandButton(nullptr, "&Add...", "btnAddTarget");
    auto* edit = NewCommandButton(nullptr, "&Edit...", "btnEditTarget");
    auto* remove = NewCommandButton(nullptr, "Re&move", "btnRemoveTarget");
    connect(add, &QPushButton::clicked, this, &TfrmRepSettings::AddTarget);
    connect(edit, &QPushButton::clicked, this, &TfrmRepSettings::EditTarget);
    connect(remove, &QPushButton::clicked, this, &TfrmRepSettings::RemoveTarget);
    connect(targets_, &QTreeWidget::itemDoubleClicked, this, &TfrmRepSettings::EditTarget);
    EnableWhileSelected(targets_, {edit, remove});
    OnKey(targets_, Qt::Key_Insert, [this] { AddTarget(); });
    OnKey(targets_, Qt::Key_Delete, [this] { RemoveTarget(); });
    return PageOf(
        ListBox(nullptr, "Search engines/Referreres target files", targets_, {add, edit, remove}));
}

QWidget* TfrmRepSettings::FiltersPage() {
    filters_ = NewList(nullptr, "lvFilters", {"Filter"});
    auto* add = NewCommandButton(nullptr, "&Add...", "btnAddFilter");
    editFilter_ = NewCommandButton(nullptr, "&Edit...", "btnEditFilter");
    removeFilter_ = NewCommandButton(nullptr, "Re&move", "btnRemoveFilter");
    connect(add, &QPushButton::clicked, this, &TfrmRepSettings::AddFilter);
    connect(editFilter_, &QPushButton::clicked, this, &TfrmRepSettings::EditFilter);
    connect(removeFilter_, &QPushButton::clicked, this, &TfrmRepSettings::RemoveFilter);
    connect(filters_, &QTreeWidget::itemDoubleClicked, this, &TfrmRepSettings::EditFilter);
    connect(filters_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        settings_.SetFilterChecked(static_cast<size_t>(filters_->indexOfTopLevelItem(item)),
                                   item->checkState(0) == Qt::Checked);
    });
    connect(filters_, &QTreeWidget::itemSelectionChanged, this, [this] {
        editFilter_->setEnabled(SelectedRow(filters_) >= 0);
        removeFilter_->setEnabled(SelectedRow(filters_) >= 0);
    });
    OnKey(filters_, Qt::Key_Delete, [this] { RemoveFilter(); });
    return PageOf(ListBox(nullptr, "Defined Filters", filters_, {add, editFilter_, removeFilter_}));
}

QTreeWidget* TfrmRepSettings::CheckedList(std::vector<TCheckedLine>& lines) {
    auto* list = NewList(nullptr, "", {""});
    list->setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(list, &QTreeWidget::itemChanged, this,
            [this, &lines](QTreeWidgetItem* item) { TakeCheckedLine(item, lines); });
    return list;
}

QWidget* TfrmRepSettings::LocalFilesPage() {
    localFiles_ = CheckedList(settings_.LocalFiles);
    localFiles_->setObjectName("lvLocalFiles");
    localFiles_->setHeaderLabels({"Filename/Directory"});
    localFiles_->setAcceptDrops(true);
    localFiles_->viewport()->setAcceptDrops(true);
    localFiles_->viewport()->installEventFilter(this);
    auto* addFile = NewCommandButton(nullptr, "Add &file...", "btnAddFile");
    auto* addFolder = NewCommandButton(nullptr, "Add &directory...", "btnAddDirectory");
    auto* remove = NewCommandButton(nullptr, "Re&move", "btnRemoveFile");
    connect(addFile, &QPushButton::clicked, this, &TfrmRepSettings::AddLocalFile);
    connect(addFolder, &QPushButton::clicked, this, &TfrmRepSettings::AddLocalFolder);
    connect(remove, &QPushButton::clicked, this,
            [this] { RemoveCheckedLine(localFiles_, settings_.LocalFiles); });
    EnableWhileSelected(localFiles_, {remove});
    OnKey(localFiles_, Qt::Key_Delete,
          [this] { RemoveCheckedLine(localFiles_, settings_.LocalFiles); });
    auto* note = new QVBoxLayout;
    note->addWidget(new QLabel("Wildcards can be used in filenames"));
    return PageOf(ListBox(nullptr, "Files / Directories to include in report", localFiles_,
                          {addFile, addFolder, remove}, note));
}

QWidget* TfrmRepSettings::TelnetPage() {
    telnet_ = NewList(nullptr, "lvTelnet", {"Prompt", "Command"});
    telnet_->header()->resizeSection(0, telnet_->fontMetrics().averageCharWidth() * 20);
    auto* add = NewCommandButton(nullptr, "&Add line", "btnAddLine");
    auto* edit = NewCommandButton(nullptr, "&Edit line", "btnEditLine");
    auto* remove = NewCommandButton(nullptr, "Re&move line", "btnRemoveLine");
    auto newSmall = [](const char* icon, const char* hint, const char* name) {
        auto* button = new QToolButton;
        button->setObjectName(name);
        button->setIcon(QIcon::fromTheme(icon));
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        return button;
    };
    auto* up = newSmall("go-up", "Move line up", "btnMoveUp");
    auto* insert = newSmall("list-add", "Insert line", "btnInsertLine");
    auto* down = newSmall("go-down", "Move line down", "btnMoveDown");
    telnetLineButtons_ = {edit, remove, up, insert, down};
    connect(add, &QPushButton::clicked, this, &TfrmRepSettings::AddTelnetLine);
    connect(edit, &QPushButton::clicked, this, &TfrmRepSettings::EditTelnetLine);
    connect(remove, &QPushButton::clicked, this, &TfrmRepSettings::RemoveTelnetLine);
    connect(up, &QToolButton::clicked, this,
            [this] { MoveTelnetLine([this](size_t i) { return settings_.MoveTelnetLineUp(i); }); });
    connect(insert, &QToolButton::clicked, this,
            [this] { MoveTelnetLine([this](size_t i) { return settings_.InsertTelnetLine(i); }); });
    connect(down, &QToolButton::clicked, this, [this] {
        MoveTelnetLine([this](size_t i) { return settings_.MoveTelnetLineDown(i); });
    });
    connect(telnet_, &QTreeWidget::itemDoubleClicked, this, &TfrmRepSettings::EditTelnetLine);
    connect(telnet_, &QTreeWidget::itemSelectionChanged, this,
            &TfrmRepSettings::EnableTelnetButtons);
    OnKey(telnet_, Qt::Key_Insert, [this] { AddTelnetLine(); });
    OnKey(telnet_, Qt::Key_Delete, [this] { RemoveTelnetLine(); });
    auto* small = new QHBoxLayout;
    small->addStretch();
    for (QToolButton* button : {up, insert, down}) small->addWidget(button);
    auto* boxes = new QHBoxLayout;
    telnetActive_ = new QCheckBox("&Telnet active");
    telnetActive_->setObjectName("chkTelnetActive");
    autoClose_ = new QCheckBox("Auto &close");
    autoClose_->setObjectName("chkAutoClose");
    boxes->addWidget(telnetActive_);
    boxes->addWidget(autoClose_);
    boxes->addStretch();
    boxes->addLayout(small);
    return PageOf(ListBox(nullptr, "Telnet Commands to execute before download starts", telnet_,
                          {add, edit, remove}, boxes));
}

QWidget* TfrmRepSettings::RemoteFilesPage(TDownloadKind kind) {
    const bool ftp = kind == TDownloadKind::Ftp;
    TRemotePage& page = remote_[Index(kind)];
    std::vector<TCheckedLine>& lines = settings_.RemoteFiles(kind);
    page.List = CheckedList(lines);
    page.List->setObjectName(ftp ? "lvFtpFiles" : "lvWebFiles");
    page.List->setHeaderLabels({"Filename"});
    auto* add = NewCommandButton(nullptr, "&Add file", ftp ? "btnAddFtpFile" : "btnAddWebFile");
    auto* remove =
        NewCommandButton(nullptr, "Re&move", ftp ? "btnRemoveFtpFile" : "btnRemoveWebFile");
    auto* options = NewCommandButton(nullptr, ftp ? "FTP &Options..." : "WEB &Options...",
                                     ftp ? "btnFtpOptions" : "btnWebOptions");
    connect(add, &QPushButton::clicked, this, [this, kind] { AddRemoteFile(kind); });
    connect(remove, &QPushButton::clicked, this,
            [this, &page, &lines] { RemoveCheckedLine(page.List, lines); });
    connect(options, &QPushButton::clicked, this, [this, kind] { EditLogin(kind); });
    EnableWhileSelected(page.List, {remove});
    OnKey(page.List, Qt::Key_Insert, [this, kind] { AddRemoteFile(kind); });
    OnKey(page.List, Qt::Key_Delete,
          [this, &page, &lines] { RemoveCheckedLine(page.List, lines); });

    page.Login = new QLineEdit;
    page.Login->setObjectName(ftp ? "edtFtpLogin" : "edtWebLogin");
    page.Login->setReadOnly(true);
    page.Folder = new QLineEdit;
    page.Folder->setObjectName(ftp ? "edtFtpDownload" : "edtWebDownload");
    connect(page.Folder, &QLineEdit::textEdited, this, [this, kind](const QString& text) {
        settings_.TypeFolderText(kind, FromQString(text));
    });
    auto* browse = new QToolButton;
    browse->setObjectName(ftp ? "btnFtpBrowse" : "btnWebBrowse");
    browse->setText("...");
    browse->setToolTip(kSelectDirectoryTitle);
    connect(browse, &QToolButton::clicked, this, [this, kind] { BrowseFolder(kind); });
    auto* below = new QGridLayout;
    below->addWidget(page.Login, 0, 0, 1, 3);
    auto* folderLabel = new QLabel("Download files &to");
    folderLabel->setBuddy(page.Folder);
    below->addWidget(folderLabel, 1, 0);
    below->addWidget(page.Folder, 1, 1);
    below->addWidget(browse, 1, 2);
    return PageOf(
        ListBox(nullptr, "Files to include in report", page.List, {add, remove, options}, below));
}

void TfrmRepSettings::ShowValues() {
    domain_->setText(ToQString(settings_.DomainName));
    reportName_->setText(ToQString(settings_.ReportName));
    defaultPage_->setText(ToQString(settings_.DefaultPage));
    dateChoice_->button(static_cast<int>(settings_.DateChoice))->setChecked(true);
    fromDate_->setDate(DateOfDay(settings_.FromDate));
    toDate_->setDate(DateOfDay(settings_.ToDate));
    lastHours_->setValue(settings_.LastHours);
    lastDays_->setValue(settings_.LastDays);
    ShowTargets(-1);
    ShowFilters();
    ShowCheckedLines(localFiles_, settings_.LocalFiles, -1);
    ShowTelnetLines(-1);
    telnetActive_->setChecked(settings_.TelnetActive);
    autoClose_->setChecked(settings_.AutoClose);
    for (TDownloadKind kind : {TDownloadKind::Ftp, TDownloadKind::Web}) {
        ShowCheckedLines(remote_[Index(kind)].List, settings_.RemoteFiles(kind), -1);
        ShowLogin(kind);
        remote_[Index(kind)].Folder->setText(ToQString(settings_.FolderText(kind)));
    }
}

// ---- Targets ----

void TfrmRepSettings::ShowTargets(int selected) {
    targets_->clear();
    for (const std::string& target : settings_.Targets)
        new QTreeWidgetItem(targets_, {ToQString(target)});
    SelectRow(targets_, selected);
}

void TfrmRepSettings::AddTarget() {
    if (std::optional<std::string> answer = AskText(this, "")) {
        settings_.AddTarget(*answer);
        ShowTargets(static_cast<int>(settings_.Targets.size()) - 1);
    }
}

void TfrmRepSettings::EditTarget() {
    const int row = SelectedRow(targets_);
    if (row < 0) return;
    std::string& target = settings_.Targets[row];
    if (std::optional<std::string> answer = AskText(this, target); answer && *answer != target) {
        target = *answer;
        ShowTargets(row);
    }
}

void TfrmRepSettings::RemoveTarget() {
    const int row = SelectedRow(targets_);
    if (row < 0) return;
    settings_.Targets.erase(settings_.Targets.begin() + row);
    ShowTargets(std::min(row, static_cast<int>(settings_.Targets.size()) - 1));
}

// ---- Filters ----

void TfrmRepSettings::ShowFilters() {
    const QSignalBlocker blocker(filters_);
    filters_->clear();
    for (const TFilterEntry& entry : settings_.Filters()) {
        auto* item = new QTreeWidgetItem(filters_, {ToQString(entry.Caption)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, entry.Checked ? Qt::Checked : Qt::Unchecked);
    }
    editFilter_->setEnabled(false);
    removeFilter_->setEnabled(false);
}

void TfrmRepSettings::AddFilter() {
    TFilterData filter;
    if (!ShowLogFilter(this, filter, false)) return;
    Guarded([&] { settings_.AddFilter(filter); });
    ShowFilters();
}

void TfrmRepSettings::EditFilter() {
    const int row = SelectedRow(filters_);
    if (row < 0) return;
    Guarded([&] {
        std::optional<TFilterData> filter = settings_.FindFilter(row);
        if (filter && ShowLogFilter(this, *filter, false)) settings_.ChangeFilter(row, *filter);
    });
    ShowFilters();
}

void TfrmRepSettings::RemoveFilter() {
    const int row = SelectedRow(filters_);
    if (row < 0 || !AskQuestion(this, kDeleteFilterQuestion)) return;
    Guarded([&] { settings_.RemoveFilter(row); });
    ShowFilters();
}

// ---- Local, FTP and WEB files ----

void TfrmRepSettings::ShowCheckedLines(QTreeWidget* list, const std::vector<TCheckedLine>& lines,
                                       int selected) {
    showingLines_ = true;
    list->clear();
    for (const TCheckedLine& line : lines) {
        auto* item = new QTreeWidgetItem(list, {ToQString(line.Caption)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                       Qt::ItemIsEditable);
        item->setCheckState(0, line.Checked ? Qt::Checked : Qt::Unchecked);
    }
    showingLines_ = false;
    SelectRow(list, selected);
}

void TfrmRepSettings::TakeCheckedLine(QTreeWidgetItem* item, std::vector<TCheckedLine>& lines) {
    const int row = item->treeWidget()->indexOfTopLevelItem(item);
    if (showingLines_ || row < 0 || static_cast<size_t>(row) >= lines.size()) return;
    lines[row] = {FromQString(item->text(0)), item->checkState(0) == Qt::Checked};
}

void TfrmRepSettings::RemoveCheckedLine(QTreeWidget* list, std::vector<TCheckedLine>& lines) {
    const int row = SelectedRow(list);
    if (row < 0) return;
    lines.erase(lines.begin() + row);
    ShowCheckedLines(list, lines, std::min(row, static_cast<int>(lines.size()) - 1));
}

void TfrmRepSettings::AddLocalFile() {
    QFileDialog dialog(this);
    dialog.setObjectName("dlgOpenLogFile");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFiltersOf(kLogFileTypes));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    settings_.AddLocalFile(FromQString(dialog.selectedFiles().first()));
    ShowCheckedLines(localFiles_, settings_.LocalFiles,
                     static_cast<int>(settings_.LocalFiles.size()) - 1);
}

void TfrmRepSettings::AddLocalFolder() {
    if (std::optional<std::string> folder = ChooseFolder(this, {})) {
        settings_.AddLocalFolder(*folder);
        ShowCheckedLines(localFiles_, settings_.LocalFiles,
                         static_cast<int>(settings_.LocalFiles.size()) - 1);
    }
}

void TfrmRepSettings::AddRemoteFile(TDownloadKind kind) {
    QTreeWidget* list = remote_[Index(kind)].List;
    const size_t row = settings_.AddRemoteFile(kind);
    ShowCheckedLines(list, settings_.RemoteFiles(kind), static_cast<int>(row));
    list->setFocus();
    list->editItem(list->topLevelItem(static_cast<int>(row)));
}

void TfrmRepSettings::ShowLogin(TDownloadKind kind) {
    remote_[Index(kind)].Login->setText(ToQString(
        kind == TDownloadKind::Ftp ? settings_.FtpLoginLine() : settings_.WebLoginLine()));
}

void TfrmRepSettings::EditLogin(TDownloadKind kind) {
    if (kind == TDownloadKind::Ftp) {
        TfrmFTPOptions dialog(settings_, this);
        if (dialog.exec() != QDialog::Accepted) return;
    } else {
        TfrmWebOptions dialog(settings_, this);
        if (dialog.exec() != QDialog::Accepted) return;
    }
    ShowLogin(kind);
}

void TfrmRepSettings::BrowseFolder(TDownloadKind kind) {
    const std::optional<std::string> folder = ChooseFolder(this, settings_.FolderText(kind));
    if (!folder) return;
    Guarded([&] { settings_.SetChosenFolder(kind, *folder); });
    remote_[Index(kind)].Folder->setText(ToQString(settings_.FolderText(kind)));
}

bool TfrmRepSettings::eventFilter(QObject* watched, QEvent* event) {
    if (watched != localFiles_->viewport()) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!HasLocalFiles(drag->mimeData())) return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!HasLocalFiles(drop->mimeData())) return false;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) settings_.AddLocalFile(FromQString(url.toLocalFile()));
            ShowCheckedLines(localFiles_, settings_.LocalFiles,
                             static_cast<int>(settings_.LocalFiles.size()) - 1);
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
    }
}

// ---- Telnet lines ----

void TfrmRepSettings::ShowTelnetLines(int selected) {
    telnet_->clear();
    for (const TTelnetLine& line : settings_.TelnetLines)
        new QTreeWidgetItem(telnet_, {ToQString(line.Prompt), ToQString(line.Command)});
    SelectRow(telnet_, selected);
    EnableTelnetButtons();
}

void TfrmRepSettings::EnableTelnetButtons() {
    const bool selected = SelectedRow(telnet_) >= 0;
    for (QAbstractButton* button : telnetLineButtons_) button->setEnabled(selected);
}

void TfrmRepSettings::AddTelnetLine() {
    TTelnetLine line;
    if (!EditTelnetCommand(this, line)) return;
    settings_.TelnetLines.push_back(line);
    ShowTelnetLines(static_cast<int>(settings_.TelnetLines.size()) - 1);
}

void TfrmRepSettings::EditTelnetLine() {
    const int row = SelectedRow(telnet_);
    if (row < 0 || !EditTelnetCommand(this, settings_.TelnetLines[row])) return;
    ShowTelnetLines(row);
}

void TfrmRepSettings::RemoveTelnetLine() {
    const int row = SelectedRow(telnet_);
    if (row < 0) return;
    settings_.TelnetLines.erase(settings_.TelnetLines.begin() + row);
    ShowTelnetLines(std::min(row, static_cast<int>(settings_.TelnetLines.size()) - 1));
}

template <typename Command>
void TfrmRepSettings::MoveTelnetLine(Command command) {
    const int row = SelectedRow(telnet_);
    if (row < 0) return;
    ShowTelnetLines(static_cast<int>(command(static_cast<size_t>(row))));
}

// ---- OK ----

void TfrmRepSettings::ReadFields() {
    settings_.DomainName = FromQString(domain_->text());
    settings_.ReportName = FromQString(reportName_->text());
    settings_.DefaultPage = FromQString(defaultPage_->text());
    settings_.DateChoice = static_cast<TDateChoice>(dateChoice_->checkedId());
    settings_.FromDate = DayOfDate(fromDate_->date());
    settings_.ToDate = DayOfDate(toDate_->date());
    settings_.LastHours = lastHours_->value();
    settings_.LastDays = lastDays_->value();
    settings_.TelnetActive = telnetActive_->isChecked();
    settings_.AutoClose = autoClose_->isChecked();
}

void TfrmRepSettings::accept() {
    ReadFields();
    std::optional<TSettingsProblem> problem;
    try {
        problem = settings_.StoreToReport();
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
        return;
    }
    if (problem) {
        ShowProblem(*problem);
        return;
    }
    QDialog::accept();
}

void TfrmRepSettings::ShowProblem(const TSettingsProblem& problem) {
    ShowError(this, problem.Message);
    pages_->setCurrentIndex(problem.Page);
    QWidget* field = ProblemWidget(problem.Field);
    if (auto* list = qobject_cast<QTreeWidget*>(field)) SelectRow(list, problem.Entry);
    field->setFocus();
}

QWidget* TfrmRepSettings::ProblemWidget(TSettingsField field) const {
    switch (field) {
        case TSettingsField::DomainName:
            return domain_;
        case TSettingsField::ReportName:
            return reportName_;
        case TSettingsField::TargetList:
            return targets_;
        case TSettingsField::LocalFileList:
            return localFiles_;
        case TSettingsField::TelnetList:
            return telnet_;
        case TSettingsField::FtpFileList:
            return remote_[Index(TDownloadKind::Ftp)].List;
        case TSettingsField::WebFileList:
            return remote_[Index(TDownloadKind::Web)].List;
    }
    return domain_;
}

template <typename Work>
void TfrmRepSettings::Guarded(Work work) {
    try {
        work();
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
    }
}

bool EditReport(QWidget* parent, TDM1& store, bool isNew) {
    std::optional<TReportSettingsModel> settings;
    try {
        settings.emplace(store, isNew);
    } catch (const EVestrelError& error) {
        ShowError(parent, error.what());
        return false;
    }
    TfrmRepSettings dialog(*settings, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vestrel::gui
