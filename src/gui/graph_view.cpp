#include "gui/graph_view.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <set>

#include "gui/chart_depth.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

// The room Qt Charts keeps around a label's text: the axis' padding on both sides and the
// margins of the text item.
constexpr double kLabelRoom = 16;
// The share of a category's width its bar takes.
constexpr double kBarWidth = 0.6;
// The side of the square points of a line.
constexpr int kLinePointSide = 5;
// Labels of narrow slices side by side overlap; stacked one below the other at 3 o'clock they
// do not, so the pie turns the run of its narrow slices (the grid's last rows) to face there.
constexpr double kNarrowSliceShare = 0.05;
constexpr double kNarrowSlicesFacing = 90;

QColor ToQColor(TChartColour colour) {
    return {colour.Red, colour.Green, colour.Blue};
}

QString ObjectName(const TChartSeries& series) {
    return QString::fromLatin1(series.Setup.Name.data(),
                               static_cast<qsizetype>(series.Setup.Name.size()));
}

QString Title(const TChartSeries& series) {
    return QString::fromLatin1(series.Setup.Title.data(),
                               static_cast<qsizetype>(series.Setup.Title.size()));
}

// Qt Charts reads its texts as HTML.
QString ChartText(const std::string& text) {
    return ToQString(text).toHtmlEscaped();
}

// The category axis takes each label once, so a label met again (the same day of the month in
// a span of more than a month) is told apart by invisible zero-width spaces.
QStringList UniqueLabels(const std::vector<std::string>& labels) {
    QStringList unique;
    std::set<QString> seen;
    for (const std::string& label : labels) {
        QString text = ChartText(label);
        while (!seen.insert(text).second) text += QChar(0x200B);
        unique << text;
    }
    return unique;
}

QImage SquarePoint(const QColor& colour) {
    QImage point(kLinePointSide, kLinePointSide, QImage::Format_ARGB32);
    point.fill(colour);
    return point;
}

// The angle at which the pie of these values begins.
double PieStartAngle(const std::vector<double>& values) {
    double total = 0;
    for (double value : values) total += value;
    double angle = 0, runFrom = -1, runTo = 0;
    for (double value : values) {
        const double span = 360 * value / total;
        if (value < total * kNarrowSliceShare) {
            if (runFrom < 0) runFrom = angle;
            runTo = angle + span;
        }
        angle += span;
    }
    return runFrom < 0 ? 0 : kNarrowSlicesFacing - (runFrom + runTo) / 2;
}

QLineSeries* NewLine(const TChartSeries& series) {
    auto* line = new QLineSeries;
    line->setObjectName(ObjectName(series));
    line->setName(Title(series));
    const QColor colour = ToQColor(series.Setup.Colour);
    line->setPen(QPen(colour, series.Setup.LineWidth));
    line->setColor(colour);
    line->setPointsVisible(true);
    line->setMarkerSize(kLinePointSide);
    line->setLightMarker(SquarePoint(colour.darker(125)));
    line->setPointLabelsVisible(series.Setup.MarksVisible);
    for (size_t i = 0; i < series.Values.size(); ++i)
        line->append(static_cast<double>(i), series.Values[i]);
    return line;
}

QBarSeries* NewBars(const TChartSeries& series, bool marksVisible) {
    auto* set = new QBarSet(Title(series));
    const QColor colour = ToQColor(series.Setup.Colour);
    set->setColor(colour);
    set->setBorderColor(colour.darker(150));
    set->setLabelColor(Qt::black);
    QFont font = set->labelFont();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    set->setLabelFont(font);
    for (double value : series.Values) set->append(value);
    auto* bars = new QBarSeries;
    bars->setObjectName(ObjectName(series));
    bars->setName(Title(series));
    bars->append(set);
    bars->setBarWidth(kBarWidth);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    bars->setLabelsPrecision(12);
    bars->setLabelsVisible(marksVisible);
    return bars;
}

}  // namespace

TGraphView::TGraphView(const TChartModel& model, QWidget* parent)
    // The chart is given at construction: setChart would leave the view's own first chart behind.
    : QChartView(new QChart, parent), model_(model) {
    setObjectName("grpChart");
    QChart* chart = this->chart();
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setBackgroundBrush(ToQColor(kChartSetup.BackWallColour));
    chart->setBackgroundPen(Qt::NoPen);
    QFont title(QString::fromLatin1(kChartSetup.TitleFontName.data()));
    title.setBold(kChartSetup.TitleBold);
    title.setPointSizeF(font().pointSizeF() * 1.4);
    chart->setTitleFont(title);
    chart->setTitleBrush(ToQColor(kChartSetup.TitleColour));
    chart->legend()->setAlignment(Qt::AlignBottom);
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::NoRubberBand);
    depth_ = new TChartDepth(*chart);
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        FitPie();
        FitCategoryLabels();
        depth_->Relayout();
    });
}

void TGraphView::Refresh() {
    QChart* chart = this->chart();
    depth_->Follow(nullptr, nullptr);
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    bars_ = nullptr;
    pie_ = nullptr;
    categories_ = nullptr;
    chart->setTitle(ChartText(model_.Title));
    chart->legend()->setVisible(model_.LegendVisible);
    if (model_.Kind == TChartKind::Pie) {
        AddPie();
    } else if (model_.Kind != TChartKind::None) {
        AddBarsAndLines();
    }
    depth_->Follow(bars_, pie_);
    depth_->setVisible(model_.View3D.Enabled && (bars_ != nullptr || pie_ != nullptr));
    depth_->Relayout();
}

void TGraphView::AddPie() {
    const TChartSeries slices = PieSlices(model_.Pie);
    pie_ = new QPieSeries;
    pie_->setObjectName(ObjectName(model_.Pie));
    pie_->setName(Title(model_.Pie));
    const double start = PieStartAngle(slices.Values);
    pie_->setPieStartAngle(start);
    pie_->setPieEndAngle(start + 360);
    for (size_t i = 0; i < slices.Values.size(); ++i) {
        QPieSlice* slice = pie_->append(ChartText(slices.Labels[i]), slices.Values[i]);
        slice->setColor(ToQColor(PieSliceColour(slices, i)));
        slice->setBorderColor(Qt::white);
        slice->setLabelVisible(slices.Setup.MarksVisible);
        slice->setLabelColor(Qt::black);
    }

    chart()->addSeries(pie_);
    FitPie();
}

void TGraphView::AddBarsAndLines() {
    QChart* chart = this->chart();
    const std::vector<const TChartSeries*> active = model_.ActiveSeries();
    auto* categories = new QBarCategoryAxis;
    if (!active.empty()) categories->append(UniqueLabels(active.front()->Labels));
    categories_ = categories;
    auto* values = new QValueAxis;
    values->setLabelFormat("%.0f");
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    double greatest = 0;
    auto attach = [&](QAbstractSeries* series, const TChartSeries& data) {
        chart->addSeries(series);
        series->attachAxis(categories);
        series->attachAxis(values);
        for (double value : data.Values) greatest = std::max(greatest, value);
    };
    if (model_.Hits.Active) {
        bars_ = NewBars(model_.Hits, model_.Hits.Setup.MarksVisible && !model_.View3D.Enabled);
        attach(bars_, model_.Hits);
    }
    for (const TChartSeries* line : {&model_.Users, &model_.Failed})
        if (line->Active) attach(NewLine(*line), *line);
    // Room above the highest bar for its value mark.
    values->setRange(0, std::max(1.0, greatest * 1.1));
    values->applyNiceNumbers();
    categories->setVisible(model_.AxesVisible);
    values->setVisible(model_.AxesVisible);
    FitCategoryLabels();
}

// Category labels are written across when each fits its category's width, and upright when not.
void TGraphView::FitCategoryLabels() {
    if (categories_ == nullptr || categories_->count() == 0) return;
    const QFontMetricsF metrics(categories_->labelsFont());
    double widest = 0;
    for (const QString& label : categories_->categories())
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const double room = chart()->plotArea().width() / categories_->count() - kLabelRoom;
    categories_->setLabelsAngle(widest <= room ? 0 : -90);
}

// The pie's radius follows the plot area's smaller side (the rule of PieRadius); Qt Charts takes
// it as a share of that side.
void TGraphView::FitPie() {
    if (pie_ == nullptr) return;
    const QRectF area = chart()->plotArea();
    const double side = std::min(area.width(), area.height());
    if (side <= 0) return;
    const int radius = PieRadius(static_cast<int>(std::lround(area.width())),
                                 static_cast<int>(std::lround(area.height())));
    pie_->setPieSize(std::min(1.0, 2 * radius / side));
}

double TGraphView::PieRadiusPixels() const {
    if (pie_ == nullptr) return 0;
    const QRectF area = chart()->plotArea();
    return pie_->pieSize() * std::min(area.width(), area.height()) / 2;
}

const QGraphicsItem& TGraphView::DepthLayer() const {
    return *depth_;
}

void TGraphView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    depth_->Relayout();
}

}  // namespace vestrel::gui
