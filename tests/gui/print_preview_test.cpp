// Printing the grid on show: the preview window with its Swedish texts, zoom list, page keys and
// page label; the PDF export checked with poppler's tools against the preview page for page;
// printing without a printer, and grids too wide to print.
#include "gui/print_preview_window.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "engine/errors.h"
#include "gui/grid_printer.h"
#include "gui/gui_test_util.h"
#include "gui/main_window.h"
#include "gui/print_commands.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

// A page-visits table: a text column, a count, and a group row before every hundred.
TVarGrid MakeGrid(int dataRows, int columns = 2) {
    TVarGrid grid;
    grid.SetColCount(columns);
    grid.SetRowCount(dataRows + 1);
    DefineColumn(grid, 0, "Page", ctText, 240);
    for (int col = 1; col < columns; ++col)
        DefineColumn(grid, col, col == 1 ? "Hits" : "c" + std::to_string(col), ctInteger, 60);
    for (int row = 1; row <= dataRows; ++row) {
        grid.SetText(0, row, "/row" + std::to_string(row) + ".html");
        grid.SetInt(1, row, 7000 + row);
    }
    return grid;
}

bool HavePoppler() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdftoppm").isEmpty() &&
           !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& pdf) {
    const QString info = RunTool("pdfinfo", {pdf});
    const QRegularExpressionMatch pages = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// The preview's pages as images, in page order: the paper of each page item of its scene.
std::vector<QImage> PreviewPageImages(QPrintPreviewWidget& preview) {
    auto* view = preview.findChild<QGraphicsView*>();
    if (view == nullptr) return {};
    std::vector<QGraphicsItem*> pages;
    for (QGraphicsItem* item : view->scene()->items())
        if (item->parentItem() == nullptr) pages.push_back(item);
    std::sort(pages.begin(), pages.end(),
              [](QGraphicsItem* a, QGraphicsItem* b) { return a->pos().y() < b->pos().y(); });
    std::vector<QImage> images;
    for (QGraphicsItem* page : pages) {
        // The page item reaches a twenty-fifth of the paper's longer side beyond the paper.
        const QRectF bounds = page->sceneBoundingRect();
        const double border = std::max(bounds.width(), bounds.height()) / 27;
        const QRectF paper = bounds.adjusted(border, border, -border, -border);
        QImage image(paper.size().toSize() / 10, QImage::Format_Grayscale8);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        view->scene()->render(&painter, QRectF(image.rect()), paper);
        painter.end();
        images.push_back(image);
    }
    return images;
}

// The mean difference of two images' grey levels (0 to 255), both seen blurred to a small size,
// so that the two renderers' ways of drawing glyphs matter less than what is where on the page.
double MeanDifference(const QImage& a, const QImage& b) {
    const auto blurred = [](const QImage& image) {
        return image.scaled(60, 85, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_Grayscale8);
    };
    const QImage left = blurred(a);
    const QImage right = blurred(b);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        const uchar* l = left.constScanLine(y);
        const uchar* r = right.constScanLine(y);
        for (int x = 0; x < left.width(); ++x) sum += std::abs(l[x] - r[x]);
    }
    return sum / (static_cast<double>(left.width()) * left.height());
}

class PrintPreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeDataFolder();
        window_.resize(800, 600);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    TfrmPrintPreview* OpenPreview(const TVarGrid& grid) {
        TfrmPrintPreview* preview = printing_.Preview(grid, "  Most visited pages");
        EXPECT_TRUE(QTest::qWaitForWindowExposed(preview));
        return preview;
    }
    QString File(const char* name) const { return QString::fromStdString(folder_) + name; }

    TRecordingPresenter messages_;
    std::string folder_;
    QWidget window_;
    TPrintCommands printing_{&window_};
};

TEST_F(PrintPreviewTest, OpensMaximisedOnPageOneAtFullSizeWithItsSwedishTexts) {
    TfrmPrintPreview* preview = OpenPreview(MakeGrid(300));
    EXPECT_EQ(preview->windowTitle(), "Granska utskrift");
    EXPECT_TRUE(preview->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(preview->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(preview->CurrentPage(), 1);
    EXPECT_EQ(preview->ZoomList()->currentText(), "100 %");
    EXPECT_DOUBLE_EQ(preview->Preview()->zoomFactor(), 1.0);

    QStringList entries;
    for (int i = 0; i < preview->ZoomList()->count(); ++i)
        entries << preview->ZoomList()->itemText(i);
    EXPECT_EQ(entries, QStringList({"25 %", "50 %", "100 %", "150 %", "200 %", "300 %",
                                    "Hela sidan", "Bredd"}));

    QMenu* file = preview->menuBar()->findChild<QMenu*>();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), "&Arkiv");
    QStringList captions;
    for (QAction* action : file->actions())
        if (!action->isSeparator()) captions << action->text();
    EXPECT_EQ(captions, QStringList({"&Skriv ut", "S&krivarinställning...", "St&äng"}));

    const int pages = preview->PageCount();
    EXPECT_GT(pages, 3);
    EXPECT_EQ(preview->PageLabel()->text(), QString("Sida 1 av %1").arg(pages));
    preview->close();
}

TEST_F(PrintPreviewTest, PageKeysMoveBetweenPagesAndTheLabelFollows) {
    TfrmPrintPreview* preview = OpenPreview(MakeGrid(300));
    const int pages = preview->PageCount();
    QWidget* focus = preview->Preview();
    focus->setFocus();
    const auto key = [&](Qt::Key code, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(focus, code, modifiers);
        return preview->PageLabel()->text();
    };
    const QString last = QString("Sida %1 av %1").arg(pages);
    EXPECT_EQ(key(Qt::Key_PageDown, Qt::ControlModifier), last);
    EXPECT_EQ(preview->CurrentPage(), pages);
    EXPECT_EQ(key(Qt::Key_PageDown), last);  // no page after the last
    EXPECT_EQ(key(Qt::Key_PageUp), QString("Sida %1 av %2").arg(pages - 1).arg(pages));
    EXPECT_EQ(key(Qt::Key_Home), QString("Sida 1 av %1").arg(pages));
    EXPECT_EQ(key(Qt::Key_PageUp), QString("Sida 1 av %1").arg(pages));
    EXPECT_EQ(key(Qt::Key_PageDown), QString("Sida 2 av %1").arg(pages));
    EXPECT_EQ(key(Qt::Key_End), last);
    EXPECT_EQ(key(Qt::Key_PageUp, Qt::ControlModifier), QString("Sida 1 av %1").arg(pages));
    preview->close();
}

TEST_F(PrintPreviewTest, TheZoomListShowsTheZoomAsAPercentage) {
    TfrmPrintPreview* preview = OpenPreview(MakeGrid(100));
    QComboBox* zoom = preview->ZoomList();
    const auto choose = [&](const QString& entry) {
        zoom->setCurrentIndex(zoom->findText(entry));
        emit zoom->textActivated(entry);
        return zoom->currentText();
    };
    EXPECT_EQ(choose("50 %"), "50 %");
    EXPECT_DOUBLE_EQ(preview->Preview()->zoomFactor(), 0.5);
    for (const char* fit : {"Hela sidan", "Bredd"}) {
        const QString shown = choose(fit);
        EXPECT_TRUE(shown.endsWith(" %")) << shown.toStdString();
        EXPECT_EQ(shown, QString("%1 %").arg(qRound(preview->Preview()->zoomFactor() * 100)));
    }
    // A width zoom is larger than a whole-page zoom on a window wider than the page is tall.
    choose("Hela sidan");
    const double whole = preview->Preview()->zoomFactor();
    choose("Bredd");
    EXPECT_GT(preview->Preview()->zoomFactor(), whole);
    // A typed zoom works like a listed one.
    zoom->setEditText("75");
    emit zoom->textActivated("75");
    EXPECT_EQ(zoom->currentText(), "75 %");
    preview->close();
}

TEST_F(PrintPreviewTest, ThePdfHoldsThePreviewsPagesWithEveryRowOnce) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    const TVarGrid grid = MakeGrid(1000);
    const QString pdf = File("report.pdf");
    const int written = printing_.ExportPdfTo(grid, "  Most visited pages", pdf);
    TfrmPrintPreview* preview = OpenPreview(grid);
    const int pages = preview->PageCount();
    preview->close();
    EXPECT_GT(pages, 10);
    EXPECT_EQ(written, pages);
    EXPECT_EQ(PdfPageCount(pdf), pages);

    const QString text = RunTool("pdftotext", {"-layout", pdf, "-"});
    EXPECT_EQ(text.count("Most visited pages"), 1);  // the title heads the first page only
    EXPECT_EQ(text.count(QRegularExpression(R"(Page\s+Hits)")), pages);
    for (int page = 1; page <= pages; ++page)
        EXPECT_EQ(text.count(QString("Page %1 of %2").arg(page).arg(pages)), 1) << page;
    EXPECT_TRUE(text.contains(PrintDateText()));
    for (int row = 1; row <= 1000; ++row) {
        const QRegularExpression line(QString(R"(/row%1\.html\s+%2\b)").arg(row).arg(7000 + row));
        ASSERT_EQ(text.count(line), 1) << "row " << row;
    }
}

// The preview's pages drawn by the same painter as the PDF's: rendered at the same size, each
// preview page is close to its own PDF page and far from the others.
TEST_F(PrintPreviewTest, PreviewPagesLookLikeThePdfPages) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    TVarGrid grid = MakeGrid(150);
    const int level = grid.AddSubGroupLevel();
    for (int row = 1; row <= 150; row += 20) grid.AddSubGroupRow(row, level);
    const QString pdf = File("pages.pdf");
    ASSERT_EQ(printing_.ExportPdfTo(grid, "  Pages", pdf), 3);
    RunTool("pdftoppm", {"-r", "40", "-gray", "-png", pdf, File("pdf")});

    TGridPrinter report(grid, "  Pages", PrintDateText());
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(printing_.Printer().pageLayout());
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                     [&](QPrinter* target) { report.Print(*target); });
    preview.updatePreview();
    ASSERT_EQ(preview.pageCount(), 3);
    const std::vector<QImage> shown = PreviewPageImages(preview);
    ASSERT_EQ(shown.size(), 3u);
    for (int page = 0; page < 3; ++page) {
        const QImage printed(File("pdf-") + QString::number(page + 1) + ".png");
        ASSERT_FALSE(printed.isNull()) << page;
        const double same = MeanDifference(shown[page], printed);
        EXPECT_LT(same, 4.0) << "page " << page + 1;
        for (int other = 0; other < 3; ++other) {
            if (other == page) continue;
            EXPECT_GT(MeanDifference(shown[other], printed), 2 * same)
                << page + 1 << " vs " << other + 1;
        }
    }
}

TEST_F(PrintPreviewTest, PrintingWithoutAPrinterSaysSoAndAFilePrinterPrints) {
    const TVarGrid grid = MakeGrid(10);
    printing_.Print(grid, "  Pages");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages_.Shown[0].Text, kNoPrinterMessage);

    const QString pdf = File("printed.pdf");
    PrintToPdf(printing_.Printer(), pdf);
    printing_.Print(grid, "  Pages");
    EXPECT_EQ(messages_.Shown.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(pdf.toStdString()), 1000u);

    // A PDF that cannot be written is said so, not counted as exported.
    EXPECT_EQ(printing_.ExportPdfTo(grid, "  Pages", File("missing/folder/x.pdf")), 0);
    ASSERT_EQ(messages_.Shown.size(), 2u);
    EXPECT_NE(messages_.Shown[1].Text.find("Cannot write the file"), std::string::npos);
}

TEST_F(PrintPreviewTest, GridsWiderThan32ColumnsAreNeitherPrintedNorPreviewed) {
    const TVarGrid wide = MakeGrid(5, 33);
    const auto raised = [&](auto command) {
        try {
            command();
        } catch (const EVestrelError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_EQ(raised([&] { printing_.Preview(wide, "  Wide"); }), "Max 32 columns in Grid");
    EXPECT_EQ(raised([&] { printing_.Print(wide, "  Wide"); }), "Max 32 columns in Grid");
    EXPECT_EQ(raised([&] { printing_.ExportPdf(wide, "  Wide"); }), "Max 32 columns in Grid");
    EXPECT_TRUE(window_.findChildren<TfrmPrintPreview*>().isEmpty());

    const QString pdf = File("32.pdf");
    EXPECT_EQ(printing_.ExportPdfTo(MakeGrid(5, 32), "  Wide", pdf), 1);
}

}  // namespace

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

// The File menu's print commands over the report on show in the main window.
TEST(PrintCommandsTest, TheFileMenuPrintsPreviewsAndExportsTheReportOnShow) {
    setenv("TZ", "UTC", 1);
    tzset();
    TRecordingPresenter messages;
    const std::string folder = MakeDataFolder();
    {
        TDM1 store(folder);
        store.Open();
        AddReport(store, "Demo", "1" + kDemoLog);
        TfrmMain window(store, folder);
        window.show();
        ASSERT_TRUE(window.OpenReport("Demo"));
        QStringList names;
        for (QAction* action : window.menuBar()->actions().first()->menu()->actions())
            names << action->objectName();
        const int print = names.indexOf("actPrint");
        ASSERT_GE(print, 0);
        EXPECT_EQ(names.mid(print, 4),
                  QStringList({"actPrint", "actPrintPreview", "actPrinterSetup", "actExportPdf"}));
        for (const char* name : {"actPrint", "actPrintPreview", "actPrinterSetup", "actExportPdf"})
            EXPECT_TRUE(window.Command(name)->isEnabled()) << name;

        window.Command("actPrint")->trigger();
        ASSERT_EQ(messages.Shown.size(), 1u);
        EXPECT_EQ(messages.Shown[0].Text, kNoPrinterMessage);

        // The printer set-up only chooses: cancelled, it prints nothing and says nothing.
        WhenModal<QPrintDialog>([](QPrintDialog& dialog) { dialog.reject(); });
        window.Command("actPrinterSetup")->trigger();
        EXPECT_EQ(messages.Shown.size(), 1u);

        window.Command("actPrintPreview")->trigger();
        auto* preview = window.findChild<TfrmPrintPreview*>();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->PageLabel()->text(), "Sida 1 av 1");
        preview->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window.findChild<TfrmPrintPreview*>(), nullptr);  // destroyed when closed

        const std::string pdf = folder + "general";  // the dialog adds the extension
        WhenModal<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(pdf));
            static_cast<QDialog&>(dialog).accept();
        });
        window.Command("actExportPdf")->trigger();
        EXPECT_EQ(messages.Shown.size(), 1u);
        ASSERT_TRUE(std::filesystem::exists(pdf + ".pdf"));
        if (HavePoppler()) {
            const QString text = RunTool("pdftotext", {QString::fromStdString(pdf + ".pdf"), "-"});
            EXPECT_TRUE(text.contains("General"));
            EXPECT_TRUE(text.contains("Total Visiting Users"));
            EXPECT_TRUE(text.contains("Page 1 of 1"));
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
