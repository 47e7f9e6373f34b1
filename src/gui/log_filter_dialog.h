// The "Log Filter" dialog: the widgets over TLogFilterForm, which holds the values and the rules.
#pragma once

#include <QDialog>
#include <array>

#include "engine/locale_info.h"
#include "engine/log_filter.h"
#include "shell/log_filter_form.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace vestrel::gui {

class TfrmLogFilter : public QDialog {
    Q_OBJECT

  public:
    TfrmLogFilter(QWidget* parent, const TFilterData& filter, bool showTracking,
                  const TLocaleInfo& locale = TLocaleInfo::Iso());

    const TLogFilterForm& Form() const { return form_; }

  private:
    void BuildControls(const TLocaleInfo& locale);
    void LayOut(bool showTracking);
    void ShowValues();
    void Connect();
    // Shows the criterion boxes and the "Track backwards" state the form holds.
    void ShowChecks();
    QCheckBox* CriterionBox(TFilterBit bit) const;

    TLogFilterForm form_;
    std::array<QCheckBox*, 11> criteria_{};  // in kCriterionBoxes order
    QRadioButton* include_;
    QRadioButton* exclude_;
    QLineEdit* domain_;
    QLineEdit* referrer_;
    QLineEdit* userName_;
    QLineEdit* request_;
    QDateEdit* dateFrom_;
    QTimeEdit* timeFrom_;
    QDateEdit* dateTo_;
    QTimeEdit* timeTo_;
    QComboBox* dayOfWeek_;
    QSpinBox* hourOfDay_;
    QComboBox* statusFrom_;
    QComboBox* statusTo_;
    QComboBox* opSystem_;
    QComboBox* browser_;
    QComboBox* requestType_;
    QCheckBox* trackUser_;
    QCheckBox* trackBackwards_;
};

// Runs the dialog modally; on OK the filter takes the dialog's values and the answer is true.
bool ShowLogFilter(QWidget* parent, TFilterData& filter, bool showTracking,
                   const TLocaleInfo& locale = TLocaleInfo::Iso());

}  // namespace vestrel::gui
