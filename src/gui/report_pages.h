// The right-hand view of the main window: the list page (the report table, or in its place the
// log grid), the HTML page and the graph page. The HTML text is made and the chart drawn only when
// their page is on show.
#pragma once

#include <QStackedWidget>
#include <string>

#include "engine/log_analyzer.h"
#include "output/chart_model.h"
#include "reports/log_data_reports.h"
#include "reports/var_grid.h"

class QAbstractItemDelegate;
class QTableView;
class QTextBrowser;

namespace vestrel::gui {

class TGraphView;
class TReportGridModel;
class TLogDataModel;

// A list view of report rows: whole rows selected, fixed row heights, clickable titles.
void SetUpGridView(QTableView& table);
// How much wider than their stated widths report columns are drawn in the widget's font.
double ColumnWidthScale(const QWidget& widget);

class TReportPages : public QStackedWidget {
    Q_OBJECT

  public:
    TReportPages(TVarGrid& grid, const TChartModel& chart, QWidget* parent = nullptr);

    // The grid was refilled with the report of that kind and title.
    void ShowReport(uint8_t reportKind, const std::string& title);
    // The log grid over the analyser's hits with these column widths, or the report table.
    void ShowLogGrid(const TLogAnalyzer* analyzer, const TLogDataWidths& widths);
    void ShowReportTable();
    // Before the hit store is replaced: the log grid must not paint the old one meanwhile.
    void DetachLogGrid();
    void ShowView(TReportView view);
    TReportView View() const { return view_; }
    // The chart was switched between 2D and 3D.
    void RedrawChart();
    bool LogGridShown() const;
    // The log grid's widths in the units the settings keep (see ScreenWidth).
    TLogDataWidths LogGridWidths() const;
    // A report's column width (pixels of the font the reports were laid out for) on this screen's
    // font, and back.
    int ScreenWidth(int width) const;
    int ReportWidth(int screenWidth) const;

    QTableView* ReportTable() const { return reportTable_; }
    QTableView* LogGrid() const { return logGrid_; }
    QTextBrowser* HtmlView() const { return html_; }
    TGraphView* GraphView() const { return graph_; }
    TReportGridModel* ReportModel() const { return reportModel_; }
    TLogDataModel* LogModel() const { return logModel_; }

  signals:
    // A cell of the report table or of the log grid was selected.
    void RowSelected(int gridRow);
    void RowActivated(int gridRow);
    void SortFailed(const QString& message);

  private:
    QTableView* NewTable(const char* name);
    void SortByTitle(int column);
    void ApplyReportColumnWidths();
    void RenderHtmlIfShown();
    void DrawChartIfShown();

    TVarGrid& grid_;
    QStackedWidget* listPage_;
    QTableView* reportTable_;
    QTableView* logGrid_;
    QTextBrowser* html_;
    TGraphView* graph_;
    TReportGridModel* reportModel_;
    QAbstractItemDelegate* pathDelegate_;
    TLogDataModel* logModel_;
    TReportView view_ = TReportView::List;
    std::string title_;
    bool htmlStale_ = true;
    bool chartStale_ = true;
    double widthScale_ = 1;
};

}  // namespace vestrel::gui
