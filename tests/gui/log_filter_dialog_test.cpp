#include "gui/log_filter_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "gui/gui_test_util.h"

namespace vestrel::gui {
namespace {

constexpr double kFriday = 37316;  // 2002-03-01

template <typename Widget>
Widget* Find(QWidget& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

bool Checked(QWidget& dialog, const char* name) {
    return Find<QCheckBox>(dialog, name)->isChecked();
}

TEST(LogFilterDialogTest, ShowsTheFilterItIsGiven) {
    TFilterData filter;
    filter.Exclude = true;
    filter.Filters = fbDomain | fbStatus;
    filter.Domain = "example";
    filter.Browser = "Opera";
    filter.DateFrom = kFriday + 0.5;
    filter.StatusFrom = 400;
    filter.StatusTo = 499;  // not in the list: no entry shown
    TfrmLogFilter dialog(nullptr, filter, true);
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), "Log Filter");
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbExclude")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(dialog, "edtDomain")->text(), "example");
    EXPECT_EQ(Find<QComboBox>(dialog, "cbxBrowser")->currentText(), "Opera");
    EXPECT_EQ(Find<QDateEdit>(dialog, "dtpDateFrom")->date(), QDate(2002, 3, 1));
    EXPECT_EQ(Find<QTimeEdit>(dialog, "dtpTimeFrom")->time(), QTime(12, 0));
    EXPECT_EQ(Find<QDateEdit>(dialog, "dtpDateTo")->date(), QDate(1899, 12, 30));
    EXPECT_EQ(Find<QTimeEdit>(dialog, "dtpTimeTo")->time(), QTime(23, 59, 59));
    EXPECT_EQ(Find<QSpinBox>(dialog, "spnHourOfDay")->value(), 12);
    EXPECT_EQ(Find<QComboBox>(dialog, "cbxStatusFrom")->currentText(), "400 Bad Request");
    EXPECT_EQ(Find<QComboBox>(dialog, "cbxStatusTo")->currentIndex(), -1);
    EXPECT_TRUE(Checked(dialog, "chkDomain"));
    EXPECT_TRUE(Checked(dialog, "chkStatus"));
    EXPECT_FALSE(Checked(dialog, "chkBrowser"));  // loading follows the mask, not the texts
}

TEST(LogFilterDialogTest, EditsTickTheirBoxesAndOkTakesThem) {
    TFilterData filter;
    TfrmLogFilter dialog(nullptr, filter, true);
    dialog.show();
    QTest::keyClicks(Find<QLineEdit>(dialog, "edtRequest"), "/shop");
    Find<QComboBox>(dialog, "cbxOpSystem")->setEditText("Linux");
    Find<QComboBox>(dialog, "cbxStatusFrom")->setCurrentIndex(StatusEntryIndex(404));
    Find<QComboBox>(dialog, "cbxRequestType")->setCurrentText("POST");
    Find<QSpinBox>(dialog, "spnHourOfDay")->setValue(24);
    Find<QDateEdit>(dialog, "dtpDateTo")->setDate(QDate(2002, 3, 1));
    Find<QTimeEdit>(dialog, "dtpTimeTo")->setTime(QTime(18, 0));
    QTest::mouseClick(Find<QRadioButton>(dialog, "rbExclude"), Qt::LeftButton);
    for (const char* box :
         {"chkRequest", "chkOpSystem", "chkStatus", "chkRequestType", "chkHourOfDay", "chkDate"})
        EXPECT_TRUE(Checked(dialog, box)) << box;
    EXPECT_FALSE(Checked(dialog, "chkDomain"));

    QTest::mouseClick(Find<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ApplyLogFilterForm(dialog.Form(), filter);
    EXPECT_TRUE(filter.Exclude);
    EXPECT_EQ(filter.Filters,
              fbRequest | fbOpSystem | fbStatus | fbRequestType | fbHourOfDay | fbDate);
    EXPECT_EQ(filter.Request, "/shop");
    EXPECT_EQ(filter.OpSystem, "Linux");
    EXPECT_EQ(filter.StatusFrom, 404);
    EXPECT_EQ(filter.StatusTo, 0);
    EXPECT_EQ(filter.RequestType, 4);
    EXPECT_EQ(filter.HourOfDay, 24);
    EXPECT_DOUBLE_EQ(filter.DateTo, kFriday + 0.75);
    EXPECT_DOUBLE_EQ(filter.DateFrom, 0);
}

TEST(LogFilterDialogTest, EmptyingATextAndUntickingClearTheCriterion) {
    TFilterData filter;
    filter.Filters = fbDomain | fbUserName | fbDayOfWeek;
    filter.Domain = "x";
    filter.DayOfWeek = 3;
    TfrmLogFilter dialog(nullptr, filter, true);
    dialog.show();
    Find<QLineEdit>(dialog, "edtDomain")->clear();
    Find<QComboBox>(dialog, "cbxDayOfWeek")->setCurrentIndex(0);
    QTest::mouseClick(Find<QCheckBox>(dialog, "chkUserName"), Qt::LeftButton);
    ApplyLogFilterForm(dialog.Form(), filter);
    EXPECT_EQ(filter.Filters, 0);
    EXPECT_EQ(filter.DayOfWeek, 0);
}

TEST(LogFilterDialogTest, TrackingBoxes) {
    TfrmLogFilter hidden(nullptr, TFilterData{}, false);
    hidden.show();
    EXPECT_FALSE(Find<QCheckBox>(hidden, "chkTrackUser")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(hidden, "chkTrackBackwards")->isVisible());

    TfrmLogFilter dialog(nullptr, TFilterData{}, true);
    dialog.show();
    auto* trackUser = Find<QCheckBox>(dialog, "chkTrackUser");
    auto* backwards = Find<QCheckBox>(dialog, "chkTrackBackwards");
    EXPECT_TRUE(trackUser->isVisible());
    EXPECT_FALSE(backwards->isEnabled());
    QTest::mouseClick(trackUser, Qt::LeftButton);
    EXPECT_TRUE(backwards->isEnabled());
    QTest::mouseClick(backwards, Qt::LeftButton);
    TFilterData filter;
    ApplyLogFilterForm(dialog.Form(), filter);
    EXPECT_TRUE(filter.TrackUser);
    EXPECT_TRUE(filter.TrackBackwards);
}

// Types into the domain box of the open dialog, then presses `button`.
void EditDomainThenPress(const char* button) {
    testing::WhenModal<TfrmLogFilter>([button](TfrmLogFilter& dialog) {
        QTest::keyClicks(Find<QLineEdit>(dialog, "edtDomain"), "example");
        QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
    });
}

TEST(LogFilterDialogTest, ShowLogFilterEditsOnlyOnOk) {
    TFilterData filter;
    filter.HourOfDay = 5;
    EditDomainThenPress("btnCancel");
    EXPECT_FALSE(ShowLogFilter(nullptr, filter, true));
    EXPECT_EQ(filter.Domain, "");
    EXPECT_EQ(filter.Filters, 0);

    EditDomainThenPress("btnOK");
    EXPECT_TRUE(ShowLogFilter(nullptr, filter, true));
    EXPECT_EQ(filter.Domain, "example");
    EXPECT_EQ(filter.Filters, fbDomain);
    EXPECT_EQ(filter.HourOfDay, 5);
}

}  // namespace
}  // namespace vestrel::gui
