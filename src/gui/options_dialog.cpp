#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "engine/errors.h"
#include "engine/locale_info.h"
#include "gui/edit_search_engine_dialog.h"
#include "gui/help_window.h"
#include "gui/input_box2_dialog.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

// The help topics of the pages, in page order.
constexpr const char* kPageTopics[] = {"OptionsGeneral",  "OptionsTime",
                                       "OptionsFiles",    "OptionsSearchEngines",
                                       "OptionsBrowsers", "OptionsOpSystems"};

QLineEdit* NewNumberField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance("0000000000000"));
    return field;
}

QPushButton* NewButton(QWidget* parent, const char* caption, const QString& name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QStringList Cells(const TSearchEngineRow& row) {
    return {ToQString(row.Name), ToQString(row.URL), ToQString(row.PhraseStart)};
}

QStringList Cells(const TAgentRow& row) {
    return {ToQString(row.Name), ToQString(row.ID)};
}

// Shows the rows and selects the one at `selected` (none when negative).
template <class Row>
void FillTable(QTreeWidget* table, const std::vector<Row>& rows, int selected) {
    table->clear();
    for (const Row& row : rows) new QTreeWidgetItem(table, Cells(row));
    if (selected >= 0 && selected < table->topLevelItemCount()) {
        table->setCurrentItem(table->topLevelItem(selected));
    } else {
        table->setCurrentItem(nullptr);
    }
}

void FillList(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    for (const std::string& item : items) list->addItem(ToQString(item));
}

int SelectedRow(const QTreeWidget* table) {
    QTreeWidgetItem* item = table->currentItem();
    return item != nullptr && item->isSelected() ? table->indexOfTopLevelItem(item) : -1;
}

// "Remove" deletes the selected row at once.
template <class View, class Row>
void ConnectRemove(QObject* context, View& view, TSortedTable<Row>& model) {
    QObject::connect(view.Remove, &QPushButton::clicked, context, [&view, &model] {
        const int row = SelectedRow(view.Table);
        if (row < 0) return;
        model.Remove(static_cast<size_t>(row));
        FillTable(view.Table, model.Rows(), -1);
    });
}

}  // namespace

TfrmOptions::TfrmOptions(TDM1& store, std::string dataFolder, QWidget* parent)
    : QDialog(parent),
      store_(store),
      dataFolder_(std::move(dataFolder)),
      settings_(SettingsFileName(dataFolder_)),
      lists_(LoadOptionLists(dataFolder_)) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pcOptions");
    pages_->addTab(CreateGeneralPage(), "General");
    pages_->addTab(CreateTimePage(), "Time");
    pages_->addTab(CreateFilesPage(), "Files");
    pages_->addTab(CreateTablePage("Reconized Search Engines", {"Name", "URL", "Phrase start with"},
                                   "SearchEngine", searchEngines_),
                   "Search Engines");
    pages_->addTab(CreateTablePage("Recognized User Agents", {"Name", "ID"}, "UserAgent",
                                   userAgents_, "Note: you don't have to add Netscape."),
                   "User Agents");
    pages_->addTab(
        CreateTablePage("Recognized Operating Systems", {"Name", "ID"}, "OpSystem", opSystems_),
        "Op. Systems");
    ConnectSearchEngines();
    ConnectAgents(userAgents_, lists_.UserAgents, "User Agent", kPageTopics[4]);
    ConnectAgents(opSystems_, lists_.OperatingSystems, "Operating System", kPageTopics[5]);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmOptions::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelpTopic(this, kPageTopics[pages_->currentIndex()]); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);
    resize(640, 480);
    ShowValues();
    ShowLoadErrors();
}

// ---- Pages ----

QWidget* TfrmOptions::CreateGeneralPage() {
    auto* page = new QWidget(this);
    stopBuildTree_ = NewNumberField(page, "edtStopBuildTree");
    lastDays_ = NewNumberField(page, "edtLastDaysToShow");
    auto* numbers = new QGridLayout;
    numbers->addWidget(new QLabel("Stop building site tree after", page), 0, 0);
    numbers->addWidget(stopBuildTree_, 0, 1);
    numbers->addWidget(new QLabel("Lines", page), 0, 2);
    numbers->addWidget(new QLabel("Show last", page), 1, 0);
    numbers->addWidget(lastDays_, 1, 1);
    numbers->addWidget(new QLabel("days in lists.", page), 1, 2);
    numbers->setColumnStretch(3, 1);
    for (QLineEdit* field : {stopBuildTree_, lastDays_}) field->installEventFilter(this);

    excludeSearch_ = new QCheckBox("Exclude Search Engines from Referrering", page);
    excludeSearch_->setObjectName("chkExcludeSearshFromRef");
    auto* reports = new QGroupBox("Reports", page);
    reportBoxes_ = new QVBoxLayout(reports);
    reportBoxes_->addWidget(excludeSearch_);
    excludeRobots_ = new QCheckBox("Exclude robots", page);
    excludeRobots_->setObjectName("chkExcludeRobots");
    excludeRobots_->setToolTip(
        "Leave out the hits of the crawlers and monitors Robots.txt names when a report is opened");
    reportBoxes_->addWidget(excludeRobots_);

    auto* database = new QGroupBox("Database", page);
    QPushButton* create = NewButton(database, "Create Database", "btnCreateDatabase");
    connect(create, &QPushButton::clicked, this, &TfrmOptions::CreateDatabase);
    auto* databaseRow = new QHBoxLayout(database);
    databaseRow->addWidget(create);
    databaseRow->addWidget(new QLabel("This will destroy all settings.", database), 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(numbers);
    layout->addWidget(reports);
    layout->addStretch(1);
    layout->addWidget(database);
    return page;
}

QWidget* TfrmOptions::CreateTimePage() {
    auto* page = new QWidget(this);
    auto* group = new QGroupBox("Time zone", page);
    timeFromFiles_ = new QRadioButton("Use time from files", group);
    timeFromFiles_->setObjectName("rbTimeFromFiles");
    zoneFromFiles_ = new QRadioButton("Use time zone offset from files", group);
    zoneFromFiles_->setObjectName("rbZoneOffsetFromFiles");
    specifyOffset_ = new QRadioButton("Specify offset:", group);
    specifyOffset_->setObjectName("rbSpecifyOffset");
    offset_ = NewNumberField(group, "edtOffset");
    offset_->installEventFilter(this);
    connect(specifyOffset_, &QRadioButton::toggled, offset_, &QWidget::setEnabled);

    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(specifyOffset_);
    offsetRow->addWidget(offset_);
    offsetRow->addWidget(new QLabel("hours", group));
    offsetRow->addStretch(1);
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(timeFromFiles_);
    choices->addWidget(zoneFromFiles_);
    choices->addLayout(offsetRow);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOptions::CreateFilesPage() {
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(CreateTextListBox("Exclude files with these extensions", "GlobalExclude",
                                        lists_.GlobalExclude, globalExclude_));
    layout->addWidget(CreateTextListBox("Extensions recognized as Web pages", "WebPageExts",
                                        lists_.WebPageExts, webPageExts_));
    return page;
}

QWidget* TfrmOptions::CreateTextListBox(const char* title, const char* name, TTextList& model,
                                        TTextListView& view) {
    auto* box = new QGroupBox(title, this);
    view.Model = &model;
    view.List = new QListWidget(box);
    view.List->setObjectName(QString("lb") + name);
    view.Entry = new QLineEdit(box);
    view.Entry->setObjectName(QString("edt") + name);
    view.Entry->installEventFilter(this);
    view.Add = NewButton(box, "Add", QString("btnAdd") + name);
    view.Remove = NewButton(box, "Remove", QString("btnRemove") + name);
    view.Remove->setEnabled(false);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(view.Entry, 1);
    entryRow->addWidget(view.Add);
    entryRow->addWidget(view.Remove);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(view.List, 1);
    layout->addLayout(entryRow);

    connect(view.Add, &QPushButton::clicked, this, [this, &view] { AddToTextList(view); });
    connect(view.List, &QListWidget::currentRowChanged, this,
            [&view](int row) { view.Remove->setEnabled(row >= 0); });
    connect(view.Remove, &QPushButton::clicked, this, [&view] {
        const int row = view.List->currentRow();
        if (row < 0) return;
        view.Model->Remove(static_cast<size_t>(row));
        FillList(view.List, view.Model->Items());
        view.List->setCurrentRow(-1);
        view.Remove->setEnabled(false);
    });
    return box;
}

QWidget* TfrmOptions::CreateTablePage(const char* title, const QStringList& headers,
                                      const char* name, TTableView& view, const char* note) {
    auto* page = new QWidget(this);
    view.Table = new QTreeWidget(page);
    view.Table->setObjectName(QString("lv") + name + "s");
    view.Table->setRootIsDecorated(false);
    view.Table->setAlternatingRowColors(true);
    view.Table->setUniformRowHeights(true);
    view.Table->setHeaderLabels(headers);
    view.Table->header()->setSectionResizeMode(QHeaderView::Interactive);
    view.Table->header()->setStretchLastSection(true);
    view.Add = NewButton(page, "Add", QString("btnAdd") + name);
    view.Edit = NewButton(page, "Edit", QString("btnEdit") + name);
    view.Remove = NewButton(page, "Remove", QString("btnRemove") + name);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(view.Add);
    buttons->addWidget(view.Edit);
    buttons->addWidget(view.Remove);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(view.Table, 1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(title, page));
    layout->addLayout(row, 1);
    if (note != nullptr) layout->addWidget(new QLabel(note, page));
    ConnectTableButtons(view);
    return page;
}

// ---- List editing ----

void TfrmOptions::ConnectTableButtons(TTableView& view) {
    const auto followSelection = [&view] {
        const bool selected = SelectedRow(view.Table) >= 0;
        view.Edit->setEnabled(selected);
        view.Remove->setEnabled(selected);
    };
    connect(view.Table, &QTreeWidget::itemSelectionChanged, this, followSelection);
    connect(view.Table, &QTreeWidget::itemDoubleClicked, view.Edit, &QPushButton::click);
    followSelection();
}

void TfrmOptions::ConnectSearchEngines() {
    TTableView& view = searchEngines_;
    auto& model = lists_.SearchEngines;
    const auto edit = [this, &view, &model](bool editRow) {
        int row = SelectedRow(view.Table);
        if (EditSearchEngine(this, model, row, editRow)) FillTable(view.Table, model.Rows(), row);
    };
    connect(view.Add, &QPushButton::clicked, this, [edit] { edit(false); });
    connect(view.Edit, &QPushButton::clicked, this, [edit] { edit(true); });
    ConnectRemove(this, view, model);
}

void TfrmOptions::ConnectAgents(TTableView& view, TSortedTable<TAgentRow>& model, const char* what,
                                const char* topic) {
    const auto edit = [this, &view, &model, what, topic](bool editRow) {
        const int row = SelectedRow(view.Table);
        if (editRow && row < 0) return;
        TAgentRow texts = editRow ? model.Rows()[static_cast<size_t>(row)] : TAgentRow{};
        const std::string caption = std::string(editRow ? "Edit " : "Add ") + what;
        if (!AskTwoTexts(this, caption, "Name", "ID", texts.Name, texts.ID, topic)) return;
        try {
            const size_t at = editRow ? model.Replace(static_cast<size_t>(row), std::move(texts))
                                      : model.Add(std::move(texts));
            FillTable(view.Table, model.Rows(), static_cast<int>(at));
        } catch (const std::exception& error) {
            ShowError(this, error.what());
        }
    };
    connect(view.Add, &QPushButton::clicked, this, [edit] { edit(false); });
    connect(view.Edit, &QPushButton::clicked, this, [edit] { edit(true); });
    ConnectRemove(this, view, model);
}

void TfrmOptions::AddToTextList(TTextListView& view) {
    try {
        if (view.Model->Add(FromQString(view.Entry->text())))
            FillList(view.List, view.Model->Items());
    } catch (const std::exception& error) {
        ShowError(this, error.what());
        return;
    }
    view.Entry->clear();
    view.Entry->setFocus();
}

// ---- Values ----

void TfrmOptions::ShowValues() {
    const TOptions options = LoadOptions(settings_);
    stopBuildTree_->setText(QString::number(options.StopBuildTree));
    lastDays_->setText(QString::number(options.LastDaysToShow));
    excludeSearch_->setChecked(options.ExcludeSearshFromRef);
    excludeRobots_->setChecked(options.ExcludeRobots);
    const TTimeZoneChoice zone = TimeZoneChoiceOf(options.TimeZone);
    offset_->setText(QString::number(zone.OffsetHours));
    (zone.Mode == TTimeZoneMode::TimeFromFiles         ? timeFromFiles_
     : zone.Mode == TTimeZoneMode::ZoneOffsetFromFiles ? zoneFromFiles_
                                                       : specifyOffset_)
        ->setChecked(true);
    offset_->setEnabled(specifyOffset_->isChecked());

    FillList(globalExclude_.List, lists_.GlobalExclude.Items());
    FillList(webPageExts_.List, lists_.WebPageExts.Items());
    FillTable(searchEngines_.Table, lists_.SearchEngines.Rows(), -1);
    FillTable(userAgents_.Table, lists_.UserAgents.Rows(), -1);
    FillTable(opSystems_.Table, lists_.OperatingSystems.Rows(), -1);
    for (TTableView* view : {&searchEngines_, &userAgents_, &opSystems_})
        for (int column = 0; column + 1 < view->Table->columnCount(); ++column)
            view->Table->resizeColumnToContents(column);
}

// A list whose file could not be read is shown empty and cannot be edited, since it is not
// written back.
void TfrmOptions::ShowLoadErrors() {
    const auto disable = [](const TListSource& source, std::initializer_list<QWidget*> widgets) {
        if (source.State != TListState::Failed) return std::string();
        for (QWidget* widget : widgets) widget->setEnabled(false);
        return source.LoadError + "\n";
    };
    const auto textList = [&](const TTextListView& view) {
        return disable(view.Model->Source, {view.List, view.Entry, view.Add, view.Remove});
    };
    const auto table = [&](const TListSource& source, const TTableView& view) {
        return disable(source, {view.Table, view.Add, view.Edit, view.Remove});
    };
    const std::string errors = textList(globalExclude_) + textList(webPageExts_) +
                               table(lists_.SearchEngines.Source, searchEngines_) +
                               table(lists_.UserAgents.Source, userAgents_) +
                               table(lists_.OperatingSystems.Source, opSystems_);
    if (!errors.empty()) ShowError(this, errors.substr(0, errors.size() - 1));
}

TOptions TfrmOptions::Values() const {
    const char separator = TLocaleInfo::Iso().DecimalSeparator;
    TOptions options;
    options.StopBuildTree = NumberFieldValue(FromQString(stopBuildTree_->text()), separator);
    options.LastDaysToShow = NumberFieldValue(FromQString(lastDays_->text()), separator);
    options.ExcludeSearshFromRef = excludeSearch_->isChecked();
    options.ExcludeRobots = excludeRobots_->isChecked();
    TTimeZoneChoice zone;
    zone.Mode = timeFromFiles_->isChecked()   ? TTimeZoneMode::TimeFromFiles
                : zoneFromFiles_->isChecked() ? TTimeZoneMode::ZoneOffsetFromFiles
                                              : TTimeZoneMode::SpecifiedOffset;
    zone.OffsetHours = OffsetFieldValue(FromQString(offset_->text()));
    options.TimeZone = TimeZoneOf(zone);
    return options;
}

bool TfrmOptions::CheckNumberField(QLineEdit* field) {
    if (checking_) return false;
    try {
        const int32_t value =
            NumberFieldValue(FromQString(field->text()), TLocaleInfo::Iso().DecimalSeparator);
        field->setText(QString::number(value));
        return true;
    } catch (const EVestrelError& error) {
        checking_ = true;
        ShowError(this, error.what());
        checking_ = false;
        pages_->setCurrentWidget(pages_->widget(0));
        field->setFocus();
        field->selectAll();
        return false;
    }
}

void TfrmOptions::CheckOffsetField() {
    offset_->setText(QString::number(OffsetFieldValue(FromQString(offset_->text()))));
}

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool leaving = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                             reason == Qt::MouseFocusReason || reason == Qt::OtherFocusReason;
        if (leaving && (watched == stopBuildTree_ || watched == lastDays_))
            QMetaObject::invokeMethod(
                this, [this, field = static_cast<QLineEdit*>(watched)] { CheckNumberField(field); },
                Qt::QueuedConnection);
        if (watched == offset_) CheckOffsetField();
    }
    // Enter in an entry field adds its text instead of closing the dialog.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (TTextListView* view : {&globalExclude_, &webPageExts_})
                if (watched == view->Entry) {
                    AddToTextList(*view);
                    return true;
                }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Closing ----

bool TfrmOptions::StoreLists() {
    try {
        SaveOptionLists(dataFolder_, lists_);
    } catch (const std::exception& error) {
        ShowError(this, error.what());
        return false;
    }
    return true;
}

// The lists go first: they are written whichever button closes the dialog, so a failed write
// of the settings after them leaves nothing that Cancel would still change.
void TfrmOptions::accept() {
    if (!CheckNumberField(stopBuildTree_) || !CheckNumberField(lastDays_)) return;
    CheckOffsetField();
    if (!StoreLists()) return;
    try {
        SaveOptions(settings_, Values());
    } catch (const std::exception& error) {
        ShowError(this, error.what());
        return;
    }
    QDialog::accept();
}

void TfrmOptions::reject() {
    if (StoreLists()) QDialog::reject();
}

void TfrmOptions::CreateDatabase() {
    if (!AskQuestion(this, "This will destroy all settings, continue?")) return;
    try {
        store_.RecreateTables();
    } catch (const std::exception& error) {
        ShowError(this, error.what());
    }
}

bool ShowOptions(QWidget* parent, TDM1& store, const std::string& dataFolder) {
    TfrmOptions dialog(store, dataFolder, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vestrel::gui
