#include "gui/log_filter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/help_window.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

constexpr int kSecondsPerDayInt = 86400;

QTime TimeOfFraction(double fraction) {
    const int seconds = std::clamp(static_cast<int>(std::lround(fraction * kSecondsPerDayInt)), 0,
                                   kSecondsPerDayInt - 1);
    return QTime::fromMSecsSinceStartOfDay(seconds * 1000);
}
double FractionOfTime(const QTime& time) {
    return (time.msecsSinceStartOfDay() / 1000) / static_cast<double>(kSecondsPerDayInt);
}

// The program's layout letters as Qt's: h is the hour and n the minute in a time.
QString QtTimeFormat(std::string layout) {
    std::replace(layout.begin(), layout.end(), 'h', 'H');
    std::replace(layout.begin(), layout.end(), 'n', 'm');
    return ToQString(layout);
}

QLineEdit* NewTextBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QDateEdit* NewDateBox(QWidget* parent, const char* name, const TLocaleInfo& locale) {
    auto* box = new QDateEdit(parent);
    box->setObjectName(name);
    box->setMinimumDate(kDayZero);
    box->setCalendarPopup(true);
    box->setDisplayFormat(QtDateFormat(locale.ShortDateFormat));
    return box;
}

QTimeEdit* NewTimeBox(QWidget* parent, const char* name, const TLocaleInfo& locale) {
    auto* box = new QTimeEdit(parent);
    box->setObjectName(name);
    box->setDisplayFormat(QtTimeFormat(locale.LongTimeFormat));
    return box;
}

template <typename Texts>
QComboBox* NewList(QWidget* parent, const char* name, const Texts& entries, bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    if (editable) box->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& entry : entries) box->addItem(ToQString(entry));
    return box;
}

// The free text of a suggestion box, which no entry has to match.
void ShowFreeText(QComboBox* box, const std::string& text) {
    box->setCurrentIndex(-1);
    box->setEditText(ToQString(text));
}

QLabel* NewNote(QWidget* parent) {
    auto* note = new QLabel(ToQString(kSubStringNote), parent);
    note->setEnabled(false);
    return note;
}

QLabel* NewTo(QWidget* parent) {
    auto* label = new QLabel("to", parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QString BoxName(TFilterBit bit) {
    switch (bit) {
        case fbDomain:
            return "chkDomain";
        case fbUserName:
            return "chkUserName";
        case fbDate:
            return "chkDate";
        case fbDayOfWeek:
            return "chkDayOfWeek";
        case fbHourOfDay:
            return "chkHourOfDay";
        case fbRequest:
            return "chkRequest";
        case fbStatus:
            return "chkStatus";
        case fbOpSystem:
            return "chkOpSystem";
        case fbBrowser:
            return "chkBrowser";
        case fbRequestType:
            return "chkRequestType";
        case fbReferrer:
            return "chkReferrer";
    }
    return {};
}

}  // namespace

TfrmLogFilter::TfrmLogFilter(QWidget* parent, const TFilterData& filter, bool showTracking,
                             const TLocaleInfo& locale)
    : QDialog(parent), form_(LoadLogFilterForm(filter)) {
    setObjectName("frmLogFilter");
    setWindowTitle(ToQString(kLogFilterCaption));
    BuildControls(locale);
    LayOut(showTracking);
    ShowValues();
    Connect();
}

void TfrmLogFilter::BuildControls(const TLocaleInfo& locale) {
    for (size_t i = 0; i < kCriterionBoxes.size(); ++i) {
        criteria_[i] = new QCheckBox(ToQString(kCriterionBoxes[i].Caption), this);
        criteria_[i]->setObjectName(BoxName(kCriterionBoxes[i].Bit));
    }
    include_ = new QRadioButton("Include Filter", this);
    include_->setObjectName("rbInclude");
    exclude_ = new QRadioButton("Exclude Filter", this);
    exclude_->setObjectName("rbExclude");
    domain_ = NewTextBox(this, "edtDomain");
    referrer_ = NewTextBox(this, "edtReferrer");
    userName_ = NewTextBox(this, "edtUserName");
    request_ = NewTextBox(this, "edtRequest");
    domain_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    dateFrom_ = NewDateBox(this, "dtpDateFrom", locale);
    timeFrom_ = NewTimeBox(this, "dtpTimeFrom", locale);
    dateTo_ = NewDateBox(this, "dtpDateTo", locale);
    timeTo_ = NewTimeBox(this, "dtpTimeTo", locale);
    dayOfWeek_ = NewList(this, "cbxDayOfWeek", DayOfWeekEntries(locale), false);
    hourOfDay_ = new QSpinBox(this);
    hourOfDay_->setObjectName("spnHourOfDay");
    hourOfDay_->setRange(kFirstHour, kLastHour);
    statusFrom_ = NewList(this, "cbxStatusFrom", kStatusEntries, false);
    statusTo_ = NewList(this, "cbxStatusTo", kStatusEntries, false);
    opSystem_ = NewList(this, "cbxOpSystem", kOpSystemSuggestions, true);
    browser_ = NewList(this, "cbxBrowser", kBrowserSuggestions, true);
    requestType_ = NewList(this, "cbxRequestType", kRequestTypeEntries, false);
    trackUser_ = new QCheckBox("Track users", this);
    trackUser_->setObjectName("chkTrackUser");
    trackBackwards_ = new QCheckBox("Track backwards", this);
    trackBackwards_->setObjectName("chkTrackBackwards");
}

// Columns: criterion box; from-date, from-time, "to", to-date, to-time; the note of a text box.
void TfrmLogFilter::LayOut(bool showTracking) {
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    int row = 0;
    auto addRow = [&](TFilterBit bit, QWidget* editor, int span, QWidget* note = nullptr) {
        grid->addWidget(CriterionBox(bit), row, 0);
        grid->addWidget(editor, row, 1, 1, span);
        if (note != nullptr) grid->addWidget(note, row, 6);
        ++row;
    };
    addRow(fbDomain, domain_, 5, NewNote(this));
    addRow(fbReferrer, referrer_, 5, NewNote(this));
    addRow(fbUserName, userName_, 5, NewNote(this));
    addRow(fbRequest, request_, 5, NewNote(this));
    grid->addWidget(timeFrom_, row, 2);
    grid->addWidget(NewTo(this), row, 3);
    grid->addWidget(dateTo_, row, 4);
    grid->addWidget(timeTo_, row, 5);
    addRow(fbDate, dateFrom_, 1);
    addRow(fbDayOfWeek, dayOfWeek_, 2);
    addRow(fbHourOfDay, hourOfDay_, 1);
    grid->setAlignment(hourOfDay_, Qt::AlignLeft);
    grid->addWidget(NewTo(this), row, 3);
    grid->addWidget(statusTo_, row, 4, 1, 2);
    addRow(fbStatus, statusFrom_, 2);
    addRow(fbOpSystem, opSystem_, 5);
    addRow(fbBrowser, browser_, 5);
    addRow(fbRequestType, requestType_, 2);

    auto* kind = new QHBoxLayout;
    kind->addWidget(include_);
    kind->addWidget(exclude_);
    kind->addStretch();
    auto* tracking = new QHBoxLayout;
    tracking->addWidget(trackUser_);
    tracking->addWidget(trackBackwards_);
    tracking->addStretch();
    trackUser_->setVisible(showTracking);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelpTopic(this, kLogFilterHelpTopic); });

    auto* page = new QVBoxLayout(this);
    page->addLayout(kind);
    page->addSpacing(6);
    page->addLayout(grid);
    page->addSpacing(6);
    page->addLayout(tracking);
    page->addStretch();
    page->addWidget(buttons);
}

void TfrmLogFilter::ShowValues() {
    (form_.Exclude ? exclude_ : include_)->setChecked(true);
    domain_->setText(ToQString(form_.Domain));
    referrer_->setText(ToQString(form_.Referrer));
    userName_->setText(ToQString(form_.UserName));
    request_->setText(ToQString(form_.Request));
    dateFrom_->setDate(DateOfDay(form_.DateFrom));
    timeFrom_->setTime(TimeOfFraction(form_.TimeFrom));
    dateTo_->setDate(DateOfDay(form_.DateTo));
    timeTo_->setTime(TimeOfFraction(form_.TimeTo));
    dayOfWeek_->setCurrentIndex(form_.DayOfWeek);
    hourOfDay_->setValue(form_.HourOfDay);
    statusFrom_->setCurrentIndex(form_.StatusFrom);
    statusTo_->setCurrentIndex(form_.StatusTo);
    ShowFreeText(opSystem_, form_.OpSystem);
    ShowFreeText(browser_, form_.Browser);
    requestType_->setCurrentIndex(form_.RequestType);
    trackUser_->setChecked(form_.TrackUser);
    trackBackwards_->setChecked(form_.TrackBackwards);
    ShowChecks();
}

void TfrmLogFilter::Connect() {
    for (size_t i = 0; i < criteria_.size(); ++i) {
        const TFilterBit bit = kCriterionBoxes[i].Bit;
        connect(criteria_[i], &QCheckBox::toggled, this,
                [this, bit](bool on) { form_.SetChecked(bit, on); });
    }
    connect(exclude_, &QRadioButton::toggled, this, [this](bool on) { form_.Exclude = on; });

    auto onText = [this](TFilterBit bit) {
        return [this, bit](const QString& text) {
            EditText(form_, bit, FromQString(text));
            ShowChecks();
        };
    };
    connect(domain_, &QLineEdit::textChanged, this, onText(fbDomain));
    connect(referrer_, &QLineEdit::textChanged, this, onText(fbReferrer));
    connect(userName_, &QLineEdit::textChanged, this, onText(fbUserName));
    connect(request_, &QLineEdit::textChanged, this, onText(fbRequest));
    connect(opSystem_, &QComboBox::editTextChanged, this, onText(fbOpSystem));
    connect(browser_, &QComboBox::editTextChanged, this, onText(fbBrowser));

    auto onDate = [this](TDateEnd end) {
        return [this, end](const QDate& date) {
            EditDate(form_, end, DayOfDate(date));
            ShowChecks();
        };
    };
    auto onTime = [this](TDateEnd end) {
        return [this, end](const QTime& time) {
            EditTime(form_, end, FractionOfTime(time));
            ShowChecks();
        };
    };
    connect(dateFrom_, &QDateEdit::dateChanged, this, onDate(TDateEnd::From));
    connect(dateTo_, &QDateEdit::dateChanged, this, onDate(TDateEnd::To));
    connect(timeFrom_, &QTimeEdit::timeChanged, this, onTime(TDateEnd::From));
    connect(timeTo_, &QTimeEdit::timeChanged, this, onTime(TDateEnd::To));

    auto onList = [this](TFilterList list) {
        return [this, list](int position) {
            ChooseListEntry(form_, list, position);
            ShowChecks();
        };
    };
    connect(dayOfWeek_, &QComboBox::currentIndexChanged, this, onList(TFilterList::DayOfWeek));
    connect(statusFrom_, &QComboBox::currentIndexChanged, this, onList(TFilterList::StatusFrom));
    connect(statusTo_, &QComboBox::currentIndexChanged, this, onList(TFilterList::StatusTo));
    connect(requestType_, &QComboBox::currentIndexChanged, this, onList(TFilterList::RequestType));
    connect(hourOfDay_, &QSpinBox::valueChanged, this, [this](int hour) {
        EditHour(form_, hour);
        ShowChecks();
    });

    connect(trackUser_, &QCheckBox::toggled, this, [this](bool on) {
        form_.TrackUser = on;
        ShowChecks();
    });
    connect(trackBackwards_, &QCheckBox::toggled, this,
            [this](bool on) { form_.TrackBackwards = on; });
}

void TfrmLogFilter::ShowChecks() {
    for (size_t i = 0; i < criteria_.size(); ++i) {
        const QSignalBlocker blocker(criteria_[i]);
        criteria_[i]->setChecked(form_.IsChecked(kCriterionBoxes[i].Bit));
    }
    trackBackwards_->setEnabled(form_.TrackBackwardsEnabled());
}

QCheckBox* TfrmLogFilter::CriterionBox(TFilterBit bit) const {
    for (size_t i = 0; i < criteria_.size(); ++i)
        if (kCriterionBoxes[i].Bit == bit) return criteria_[i];
    return nullptr;
}

bool ShowLogFilter(QWidget* parent, TFilterData& filter, bool showTracking,
                   const TLocaleInfo& locale) {
    TfrmLogFilter dialog(parent, filter, showTracking, locale);
    if (dialog.exec() != QDialog::Accepted) return false;
    ApplyLogFilterForm(dialog.Form(), filter);
    return true;
}

}  // namespace vestrel::gui
