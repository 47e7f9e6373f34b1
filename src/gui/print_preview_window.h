// The print preview: the printout's pages with zoom and page navigation, printing and printer
// set-up, in Swedish like the rest of the grid-printing component. It shows the snapshot of the
// grid it was opened with until it is closed, and is destroyed when it closes.
#pragma once

#include <QMainWindow>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;

namespace vestrel::gui {

class TGridPrinter;

class TfrmPrintPreview : public QMainWindow {
    Q_OBJECT

  public:
    // The printer outlives the window.
    TfrmPrintPreview(QPrinter& printer, std::unique_ptr<TGridPrinter> report,
                     QWidget* parent = nullptr);
    ~TfrmPrintPreview() override;

    QPrintPreviewWidget* Preview() const { return preview_; }
    QComboBox* ZoomList() const { return zoomList_; }
    QLabel* PageLabel() const { return pageLabel_; }
    // From 1.
    int CurrentPage() const;
    int PageCount() const;
    void GoToPage(int page);
    // An entry of the zoom list ("50 %", "Hela sidan", "Bredd") or a typed percentage.
    void ApplyZoomText(const QString& text);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    QAction* AddCommand(const char* name, const QString& caption, const char* icon);
    void CreateCommands();
    void CreateToolBar();
    void CreateMenu();
    void ShowZoom();
    void ShowPageTop();
    void UpdatePageLabel();
    void Print();
    void SetUp();

    QPrinter& printer_;
    std::unique_ptr<TGridPrinter> report_;
    QPrintPreviewWidget* preview_;
    QComboBox* zoomList_ = nullptr;
    QLabel* pageLabel_ = nullptr;
};

}  // namespace vestrel::gui
