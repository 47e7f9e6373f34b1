#include "gui/web_download_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/download_display.h"
#include "gui/message_boxes.h"
#include "gui/worker_run.h"

namespace vestrel::gui {

// The download's events, carried from the worker to the window.
class TWebBridge : public THttpDownloadEvents {
  public:
    explicit TWebBridge(TfrmDownloadWEB& window) : window_(window) {}
    void OnStatus(const std::string& statusLine) override {
        PostToWindow(window_,
                     [window = &window_, statusLine] { window->display_->SetStatus(statusLine); });
    }
    void OnDocumentData(std::int64_t received, std::int64_t length,
                        const std::string& byteCountLine) override {
        PostToWindow(window_, [window = &window_, received, length, byteCountLine] {
            window->display_->SetByteCount(byteCountLine);
            if (length > 0) window->display_->SetProgress(received, length);
        });
    }
    void OnRequestDone(const TFetchResult& result) override {
        PostToWindow(window_, [window = &window_, result] { window->RequestDone(result); });
    }
    void OnError(const std::string& message) override {
        PostToWindow(window_, [window = &window_, message] { window->Failed(message); });
    }

  private:
    TfrmDownloadWEB& window_;
};

TfrmDownloadWEB::TfrmDownloadWEB(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDownloadWEB");
    setWindowTitle("WEB Download");
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

std::vector<std::string> TfrmDownloadWEB::Run(const THttpDownloadSettings& settings,
                                              const std::string& webFiles) {
    TWebBridge bridge(*this);
    THttpDownload download(settings, bridge);
    std::vector<std::string> fetched;
    failed_ = false;
    ExecWithWorker(
        *this, [&] { fetched = download.Run(webFiles); }, [&] { download.Cancel(); },
        [this] {
            if (!failed_) accept();
        });
    return fetched;
}

void TfrmDownloadWEB::ShowTransfer(const std::string& status, int64_t received, int64_t length) {
    display_->SetStatus(status);
    display_->SetByteCount(ByteCountLine(received, length));
    display_->SetProgress(received, length);
}

// A fetched file leaves the bar empty for the next one; a failure stays on show where it stopped.
void TfrmDownloadWEB::RequestDone(const TFetchResult& result) {
    if (result.Outcome == TFetchOutcome::Fetched) {
        display_->SetProgress(0, 100);
    } else if (result.Outcome == TFetchOutcome::Failed) {
        failed_ = true;
    }
}

void TfrmDownloadWEB::Failed(const std::string& message) {
    failed_ = true;
    display_->SetStatus(message);
    ShowError(this, message);
}

}  // namespace vestrel::gui
