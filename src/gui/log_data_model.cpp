#include "gui/log_data_model.h"

#include "gui/qt_text.h"
#include "gui/report_grid_model.h"

namespace vestrel::gui {

namespace {

constexpr const char* kTitles[kLogDataColumns] = {"Remote Host", "Login",  "User Name", "Date",
                                                  "Request",     "Status", "Bytes",     "Referrer",
                                                  "User Agent",  "UID"};
constexpr int kAgentColumn = 8;

bool IsRightAligned(int column) {
    return column == 3 || column == 5 || column == 6 || column == 9;
}

Qt::Alignment AlignmentOf(int column) {
    return (IsRightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace

const char* LogDataTitle(int column) {
    return kTitles[column];
}

TLogDataModel::TLogDataModel(QObject* parent) : QAbstractTableModel(parent) {}

void TLogDataModel::SetAnalyzer(const TLogAnalyzer* analyzer) {
    beginResetModel();
    analyzer_ = analyzer;
    browserMemo_.assign(analyzer != nullptr ? analyzer->Agents.Count() + 1 : 0, 0);
    endResetModel();
}

int TLogDataModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || analyzer_ == nullptr ? 0 : analyzer_->HitCount;
}

int TLogDataModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kLogDataColumns);
}

QVariant TLogDataModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || analyzer_ == nullptr || index.row() >= analyzer_->HitCount) return {};
    const int column = index.column(), row = index.row();
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(analyzer_->HitFieldText(column, row));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(column));
        // Grid row r shows hit r - 1, so the colours follow the grid's row numbers.
        case Qt::BackgroundRole:
            return (row + 1) % 2 == 1 ? OddRowColour() : EvenRowColour();
        case Qt::FontRole:
            return BoldFontIf(column == kAgentColumn &&
                              IsKnownBrowser(analyzer_->Hits[row].AgentKey));
        default:
            return {};
    }
}

QVariant TLogDataModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(kTitles[section]);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(section));
    return {};
}

bool TLogDataModel::IsKnownBrowser(int32_t agentKey) const {
    if (agentKey < 0) return false;
    const auto key = static_cast<size_t>(agentKey);
    if (key >= browserMemo_.size()) browserMemo_.resize(key + 1, 0);
    uint8_t& known = browserMemo_[key];
    if (known == 0) known = analyzer_->FindBrowser(analyzer_->Agents.Get(agentKey)) >= 0 ? 1 : 2;
    return known == 1;
}

}  // namespace vestrel::gui
