// The log grid's model: one row per hit of the store, in store order, each visible cell drawn
// from the hit store when the view asks for it. It holds no copy of the hits.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "engine/log_analyzer.h"
#include "reports/log_data_reports.h"

namespace vestrel::gui {

class TLogDataModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TLogDataModel(QObject* parent = nullptr);

    // Shows the hits of `analyzer` (null shows none); its browser list decides the bold agents.
    void SetAnalyzer(const TLogAnalyzer* analyzer);
    const TLogAnalyzer* Analyzer() const { return analyzer_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    bool IsKnownBrowser(int32_t agentKey) const;

    const TLogAnalyzer* analyzer_ = nullptr;
    // Per agent key: 0 not yet looked up, 1 a listed browser, 2 not one. One byte per distinct
    // agent, so scrolling never grows it beyond the agent list.
    mutable std::vector<uint8_t> browserMemo_;
};

// The ten titles of the log-data columns.
const char* LogDataTitle(int column);

}  // namespace vestrel::gui
