#include "gui/ftp_download_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/download_display.h"
#include "gui/message_boxes.h"
#include "gui/worker_run.h"

namespace vestrel::gui {

namespace {

// The download's display and errors, carried from the worker to the window.
class TFtpBridge : public TFtpObserver {
  public:
    explicit TFtpBridge(TfrmFTP& window) : window_(window) {}
    void DisplayChanged(const TFtpDisplay& display) override {
        PostToWindow(window_, [window = &window_, display] { window->ShowDisplay(display); });
    }
    void ShowError(const std::string& text) override {
        PostToWindow(window_, [window = &window_, text] { gui::ShowError(window, text); });
    }

  private:
    TfrmFTP& window_;
};

}  // namespace

TfrmFTP::TfrmFTP(QWidget* parent) : QDialog(parent) {
    setObjectName("frmFTP");
    setWindowTitle("FTP Download");
    display_ = new TDownloadDisplay(this);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("btnCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(display_);
    layout->addWidget(buttons);
}

std::vector<std::string> TfrmFTP::Run(const TFtpSettings& settings) {
    TFtpBridge bridge(*this);
    TFtpDownload download(settings, bridge);
    TFtpOutcome outcome = TFtpOutcome::Finished;
    ExecWithWorker(
        *this, [&] { outcome = download.Run(); }, [&] { download.Cancel(); },
        [&] {
            if (outcome != TFtpOutcome::Failed) accept();
        });
    return download.Results();
}

void TfrmFTP::ShowDisplay(const TFtpDisplay& display) {
    display_->SetStatus(display.Status);
    display_->SetByteCount(display.ByteCount);
    display_->SetProgress(display.Position, display.Maximum);
}

}  // namespace vestrel::gui
