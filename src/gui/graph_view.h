// The graph page: the chart of the last charted statistic drawn with Qt Charts, either the "Hits"
// bars with their value marks and the "Users" and "Failed" lines over a category and a value axis,
// or the pie with its slice labels. Qt Charts draws flat only; while the chart's 3D view is on, a
// depth layer under the series paints the bars' tops and sides with the floor and the wall behind
// them, or the pie's rim, as an oblique projection.
#pragma once

#include <QChartView>

#include "output/chart_model.h"

class QBarCategoryAxis;
class QBarSeries;
class QPieSeries;

namespace vestrel::gui {

class TChartDepth;

class TGraphView : public QChartView {
  public:
    explicit TGraphView(const TChartModel& model, QWidget* parent = nullptr);

    // Draws the model's chart anew: after a filling or a switch of the 3D view.
    void Refresh();
    // The painted depth, visible exactly while the 3D view is on for a bar chart or a pie.
    const QGraphicsItem& DepthLayer() const;
    // The pie's radius in pixels, or 0 without a pie.
    double PieRadiusPixels() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void AddPie();
    void AddBarsAndLines();
    void FitPie();
    void FitCategoryLabels();

    const TChartModel& model_;
    TChartDepth* depth_;
    QBarSeries* bars_ = nullptr;
    QPieSeries* pie_ = nullptr;
    QBarCategoryAxis* categories_ = nullptr;
};

}  // namespace vestrel::gui
