#include "gui/chart_depth.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <algorithm>
#include <cmath>

namespace vestrel::gui {

namespace {

// Above the grid lines, below the axes and the series (Qt Charts lays its items out from z 0,
// the plot area, to z 4, the series).
constexpr double kDepthZValue = 2.5;
// The pie's rim is drawn in steps of at most this many degrees.
constexpr double kRimStepDegrees = 2;
// The lower half of the rim faces the viewer: from 3 o'clock through 6 to 9 o'clock, in Qt's
// degrees clockwise from 12 o'clock.
constexpr double kFrontRimFrom = 90;
constexpr double kFrontRimSpan = 180;

// Every face goes back the same way: to the right and up at 45 degrees.
QPointF Back(double depth) {
    return {depth, -depth};
}

double BarDepth(double frontWidth) {
    return std::clamp(frontWidth * 0.4, 3.0, 14.0);
}

// The front face of bar `index` with `value`, in chart coordinates.
QRectF FrontFace(QChart& chart, QBarSeries* bars, int index, double value) {
    const double half = bars->barWidth() / 2;
    const QPointF top = chart.mapToPosition(QPointF(index - half, std::max(value, 0.0)), bars);
    const QPointF bottom = chart.mapToPosition(QPointF(index + half, 0), bars);
    return QRectF(top, bottom).normalized();
}

QPolygonF Extruded(QPointF from, QPointF to, double depth) {
    return QPolygonF({from, to, to + Back(depth), from + Back(depth)});
}

QPointF OnCircle(QPointF centre, double radius, double degrees) {
    const double radians = qDegreesToRadians(degrees);
    return centre + QPointF(radius * std::sin(radians), -radius * std::cos(radians));
}

// The band of rim below the arc from `from` to `to` degrees.
QPolygonF RimPiece(QPointF centre, double radius, double depth, double from, double to) {
    const int steps = std::max(1, static_cast<int>(std::ceil((to - from) / kRimStepDegrees)));
    QPolygonF piece;
    for (int step = 0; step <= steps; ++step)
        piece << OnCircle(centre, radius, from + (to - from) * step / steps);
    for (int step = steps; step >= 0; --step)
        piece << OnCircle(centre, radius, from + (to - from) * step / steps) + QPointF(0, depth);
    return piece;
}

}  // namespace

double PieDepth(double radius) {
    return std::round(radius * 0.12);
}

TChartDepth::TChartDepth(QChart& chart) : QGraphicsItem(&chart), chart_(chart) {
    setZValue(kDepthZValue);
    setVisible(false);
}

void TChartDepth::Follow(QBarSeries* bars, QPieSeries* pie) {
    bars_ = bars;
    pie_ = pie;
    update();
}

void TChartDepth::Relayout() {
    prepareGeometryChange();
    bounds_ = chart_.rect();
    update();
}

QRectF TChartDepth::boundingRect() const {
    return bounds_;
}

void TChartDepth::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    if (bars_ != nullptr) PaintBars(*painter);
    if (pie_ != nullptr) PaintPie(*painter);
}

void TChartDepth::PaintBars(QPainter& painter) const {
    const QList<QBarSet*> sets = bars_->barSets();
    if (sets.isEmpty() || sets.front()->count() == 0) return;
    QBarSet& set = *sets.front();
    const double depth = BarDepth(FrontFace(chart_, bars_, 0, 0).width());
    PaintWalls(painter, depth);
    const QColor front = set.color();
    painter.setPen(QPen(front.darker(160), 0.6));
    painter.setFont(set.labelFont());
    const QFontMetricsF metrics(set.labelFont());
    for (int index = 0; index < set.count(); ++index) {
        if (set.at(index) <= 0) continue;
        const QRectF face = FrontFace(chart_, bars_, index, set.at(index));
        painter.setBrush(front.lighter(140));
        painter.drawPolygon(Extruded(face.topLeft(), face.topRight(), depth));
        painter.setBrush(front.darker(135));
        painter.drawPolygon(Extruded(face.topRight(), face.bottomRight(), depth));
        if (!bars_->isLabelsVisible()) {
            const QRectF mark(face.left() + depth / 2 - face.width(),
                              face.top() - depth - metrics.height() - 1, face.width() * 3,
                              metrics.height());
            painter.setPen(set.labelColor());
            painter.drawText(mark, Qt::AlignHCenter | Qt::AlignBottom,
                             QString::number(set.at(index), 'g', 12));
            painter.setPen(QPen(front.darker(160), 0.6));
        }
    }
}

void TChartDepth::PaintWalls(QPainter& painter, double depth) const {
    const QRectF area = chart_.plotArea();
    painter.setPen(QPen(QColor(176, 176, 176), 0.8));
    painter.setBrush(QColor(236, 236, 236));
    painter.drawPolygon(Extruded(area.bottomLeft(), area.topLeft(), depth));
    painter.setBrush(QColor(216, 216, 216));
    painter.drawPolygon(Extruded(area.bottomLeft(), area.bottomRight(), depth));
}

void TChartDepth::PaintPie(QPainter& painter) const {
    const QRectF area = chart_.plotArea();
    const double radius = pie_->pieSize() * std::min(area.width(), area.height()) / 2;
    const QPointF centre(area.left() + area.width() * pie_->horizontalPosition(),
                         area.top() + area.height() * pie_->verticalPosition());
    const double depth = PieDepth(radius);
    for (QPieSlice* slice : pie_->slices()) {
        const double from = slice->startAngle(), to = from + slice->angleSpan();
        const QColor rim = slice->color().darker(145);
        painter.setPen(QPen(rim, 0.8));
        painter.setBrush(rim);
        // The front of the rim, once as it lies and once a turn later for slices past 12 o'clock.
        for (double front : {kFrontRimFrom, kFrontRimFrom + 360}) {
            const double start = std::max(from, front);
            const double end = std::min(to, front + kFrontRimSpan);
            if (end > start) painter.drawPolygon(RimPiece(centre, radius, depth, start, end));
        }
    }
}

}  // namespace vestrel::gui
