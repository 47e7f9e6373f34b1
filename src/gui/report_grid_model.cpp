#include "gui/report_grid_model.h"

#include <QColor>
#include <QFont>

#include "engine/errors.h"
#include "gui/qt_text.h"
#include "reports/summary_reports.h"

namespace vestrel::gui {

namespace {

constexpr uint8_t kDaySpanKind = 2;
constexpr int kDaySpanUsersColumn = 2;

Qt::Alignment AlignmentOf(int alignment) {
    switch (alignment) {
        case 1:
            return Qt::AlignRight | Qt::AlignVCenter;
        case 2:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

QColor OddRowColour() {
    return {177, 240, 255};
}

QColor EvenRowColour() {
    return {230, 251, 255};
}

QVariant BoldFontIf(bool bold) {
    if (!bold) return {};
    QFont font;
    font.setBold(true);
    return font;
}

TReportGridModel::TReportGridModel(TVarGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

void TReportGridModel::Refresh(uint8_t reportKind) {
    beginResetModel();
    reportKind_ = reportKind;
    grid_.OnSort = reportKind == kDaySpanKind ? NarrowDaySpanSort : nullptr;
    endResetModel();
}

void TReportGridModel::SortByTitleClick(int column) {
    if (!grid_.SortOnTitleClick || column < 0 || column >= grid_.ColCount()) return;
    const bool descending = !grid_.GetColDescending(column);
    beginResetModel();
    try {
        grid_.SortBy(column, descending);
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

int TReportGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(grid_.RowCount() - 1, 0);
}

int TReportGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant TReportGridModel::data(const QModelIndex& index, int role) const {
    const int col = index.column(), row = index.row() + 1;
    if (!index.isValid() || row >= grid_.RowCount() || col >= grid_.ColCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(grid_.GetText(col, row));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(grid_.GetColAlignment(col)));
        case Qt::BackgroundRole:
            return Background(col, row);
        case Qt::FontRole:
            return BoldFontIf(IsBoldRow(row));
        default:
            return {};
    }
}

QVariant TReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section >= grid_.ColCount()) return {};
    if (role == Qt::DisplayRole) {
        // A title may hold several lines separated by CR.
        QString title = ToQString(grid_.GetText(section, 0));
        return title.replace('\r', '\n');
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(grid_.GetColAlignment(section)));
    return {};
}

QVariant TReportGridModel::Background(int col, int row) const {
    const bool odd = row % 2 == 1;
    if (reportKind_ == kDaySpanKind && col == kDaySpanUsersColumn) {
        if (grid_.GetRowTag(row) == 1) return QColor(255, 116, 100);
        return odd ? QColor(167, 255, 152) : QColor(222, 255, 213);
    }
    return odd ? OddRowColour() : EvenRowColour();
}

bool TReportGridModel::IsBoldRow(int row) const {
    const bool taggedKind =
        reportKind_ == 1 || reportKind_ == 19 || reportKind_ == 20 || reportKind_ == 26;
    return taggedKind && grid_.GetRowTag(row) == 1;
}

}  // namespace vestrel::gui
