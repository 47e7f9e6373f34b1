// The depth that the graph page paints under a chart's series while its 3D view is on, as an
// oblique projection of the flat chart Qt Charts draws: each bar gets a top and a right side
// drawn back and up from its front, the value axis a wall and the category axis a floor, and the
// pie a rim below its lower half. The bars' value marks sit on their tops then, so this layer
// writes them in place of the series.
#pragma once

#include <QGraphicsItem>

class QBarSeries;
class QChart;
class QPieSeries;

namespace vestrel::gui {

// How far a pie of that radius reaches down below its top.
double PieDepth(double radius);

class TChartDepth : public QGraphicsItem {
  public:
    // A layer of `chart`, under its series.
    explicit TChartDepth(QChart& chart);

    // The series whose depth is painted: the bar series, or the pie, or neither.
    void Follow(QBarSeries* bars, QPieSeries* pie);
    // The chart was laid out anew.
    void Relayout();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

  private:
    void PaintBars(QPainter& painter) const;
    void PaintWalls(QPainter& painter, double depth) const;
    void PaintPie(QPainter& painter) const;

    QChart& chart_;
    QBarSeries* bars_ = nullptr;
    QPieSeries* pie_ = nullptr;
    QRectF bounds_;
};

}  // namespace vestrel::gui
