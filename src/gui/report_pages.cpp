#include "gui/report_pages.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QTableView>
#include <QTextBrowser>
#include <algorithm>
#include <cmath>

#include "gui/graph_view.h"
#include "gui/log_data_model.h"
#include "gui/path_cell_delegate.h"
#include "gui/qt_text.h"
#include "gui/report_grid_model.h"
#include "output/html_render.h"

namespace vestrel::gui {

namespace {

constexpr uint8_t kPathsKind = 6;
// The HTML viewer lays out about 4,000 table rows a second, so its page holds the first rows
// only; the list view shows every row.
constexpr int kHtmlViewRows = 1000;
// The average character width of the small dialog font the report widths were chosen for.
constexpr double kDesignCharWidth = 4.2;

std::string JoinLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 1;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) text.append(line).append(1, '\n');
    return text;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The page's colours are written as bare hex digits (COLOR="FFDD00"), which browsers take but
// Qt's HTML reader does not: the viewer gets them with a leading "#".
std::string WithHashedColours(const std::string& page) {
    static constexpr std::string_view kAttribute = "COLOR=\"";
    std::string out;
    out.reserve(page.size() + page.size() / 16);
    size_t from = 0;
    for (size_t at = page.find(kAttribute); at != std::string::npos;
         at = page.find(kAttribute, at + 1)) {
        const size_t value = at + kAttribute.size();
        if (value + 7 > page.size() || page[value + 6] != '"') continue;
        bool hex = true;
        for (size_t i = value; i < value + 6; ++i) hex = hex && IsHexDigit(page[i]);
        if (!hex) continue;
        out.append(page, from, value - from).append(1, '#');
        from = value;
    }
    return out.append(page, from, std::string::npos);
}

}  // namespace

void SetUpGridView(QTableView& table) {
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setWordWrap(false);
    table.setCornerButtonEnabled(false);
    table.verticalHeader()->hide();
    // Fixed row heights keep a view over millions of rows from measuring any of them.
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
    table.horizontalHeader()->setSectionsClickable(true);
    table.horizontalHeader()->setHighlightSections(false);
    table.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

double ColumnWidthScale(const QWidget& widget) {
    return std::max(1.0, widget.fontMetrics().averageCharWidth() / kDesignCharWidth);
}

TReportPages::TReportPages(TVarGrid& grid, const TChartModel& chart, QWidget* parent)
    : QStackedWidget(parent), grid_(grid) {
    widthScale_ = ColumnWidthScale(*this);
    listPage_ = new QStackedWidget(this);
    reportTable_ = NewTable("grdReport");
    reportModel_ = new TReportGridModel(grid_, this);
    reportTable_->setModel(reportModel_);
    pathDelegate_ = new TPathCellDelegate(reportTable_);
    reportTable_->horizontalHeader()->setSortIndicatorShown(false);
    connect(reportTable_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TReportPages::SortByTitle);
    logGrid_ = NewTable("grdLogData");
    logModel_ = new TLogDataModel(this);
    logGrid_->setModel(logModel_);
    listPage_->addWidget(reportTable_);
    listPage_->addWidget(logGrid_);

    html_ = new QTextBrowser(this);
    html_->setObjectName("htmlView");
    html_->setOpenLinks(false);
    connect(html_, &QTextBrowser::anchorClicked, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });
    graph_ = new TGraphView(chart, this);
    addWidget(listPage_);
    addWidget(html_);
    addWidget(graph_);

    for (QTableView* table : {reportTable_, logGrid_}) {
        connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) {
                    if (current.isValid()) emit RowSelected(current.row() + 1);
                });
        connect(table, &QTableView::doubleClicked, this,
                [this](const QModelIndex& index) { emit RowActivated(index.row() + 1); });
    }
}

QTableView* TReportPages::NewTable(const char* name) {
    auto* table = new QTableView(this);
    table->setObjectName(name);
    SetUpGridView(*table);
    return table;
}

void TReportPages::ShowReport(uint8_t reportKind, const std::string& title) {
    title_ = title;
    reportModel_->Refresh(reportKind);
    reportTable_->setItemDelegateForColumn(0, reportKind == kPathsKind ? pathDelegate_ : nullptr);
    reportTable_->horizontalHeader()->setSortIndicatorShown(false);
    ApplyReportColumnWidths();
    htmlStale_ = true;
    chartStale_ = true;
    RenderHtmlIfShown();
    DrawChartIfShown();
}

void TReportPages::ApplyReportColumnWidths() {
    for (int col = 0; col < grid_.ColCount(); ++col)
        reportTable_->setColumnWidth(col, ScreenWidth(grid_.GetColWidth(col)));
}

void TReportPages::ShowLogGrid(const TLogAnalyzer* analyzer, const TLogDataWidths& widths) {
    if (logModel_->Analyzer() != analyzer || logModel_->rowCount() != analyzer->HitCount)
        logModel_->SetAnalyzer(analyzer);
    for (size_t col = 0; col < widths.size(); ++col)
        logGrid_->setColumnWidth(static_cast<int>(col), ScreenWidth(widths[col]));
    listPage_->setCurrentWidget(logGrid_);
}

void TReportPages::ShowReportTable() {
    listPage_->setCurrentWidget(reportTable_);
}

void TReportPages::DetachLogGrid() {
    ShowReportTable();
    logModel_->SetAnalyzer(nullptr);
}

bool TReportPages::LogGridShown() const {
    return listPage_->currentWidget() == logGrid_;
}

TLogDataWidths TReportPages::LogGridWidths() const {
    TLogDataWidths widths{};
    for (size_t col = 0; col < widths.size(); ++col)
        widths[col] = ReportWidth(logGrid_->columnWidth(static_cast<int>(col)));
    return widths;
}

int TReportPages::ScreenWidth(int width) const {
    return static_cast<int>(std::lround(width * widthScale_));
}

int TReportPages::ReportWidth(int screenWidth) const {
    return static_cast<int>(std::lround(screenWidth / widthScale_));
}

void TReportPages::ShowView(TReportView view) {
    view_ = view;
    setCurrentWidget(view == TReportView::Html    ? static_cast<QWidget*>(html_)
                     : view == TReportView::Graph ? static_cast<QWidget*>(graph_)
                                                  : listPage_);
    RenderHtmlIfShown();
    DrawChartIfShown();
}

void TReportPages::RedrawChart() {
    chartStale_ = true;
    DrawChartIfShown();
}

void TReportPages::DrawChartIfShown() {
    if (view_ != TReportView::Graph || !chartStale_) return;
    graph_->Refresh();
    chartStale_ = false;
}

void TReportPages::RenderHtmlIfShown() {
    if (view_ != TReportView::Html || !htmlStale_) return;
    html_->setHtml(
        ToQString(WithHashedColours(JoinLines(HtmlViewPage(grid_, title_, kHtmlViewRows)))));
    htmlStale_ = false;
}

void TReportPages::SortByTitle(int column) {
    if (LogGridShown() || !grid_.SortOnTitleClick) return;
    try {
        reportModel_->SortByTitleClick(column);
    } catch (const std::exception& error) {
        emit SortFailed(QString::fromUtf8(error.what()));
        return;
    }
    QHeaderView* header = reportTable_->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        column, grid_.GetColDescending(column) ? Qt::DescendingOrder : Qt::AscendingOrder);
    htmlStale_ = true;
    RenderHtmlIfShown();
}

}  // namespace vestrel::gui
