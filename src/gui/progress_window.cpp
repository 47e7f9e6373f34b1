#include "gui/progress_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

// Reports the worker's progress to the window by posting to the window's thread.
class TProgressBridge : public TLoadObserver, public TProgressIndicator {
  public:
    TProgressBridge(TfrmProgress& window, std::function<void(const std::string&)> showStatus)
        : window_(window), showStatus_(std::move(showStatus)) {}

    void ShowProgressWindow(const std::string&) override { SetPosition(0); }
    void SetProgressText(const std::string& text) override {
        Post([this, text] { window_.SetText(ToQString(text)); });
    }
    void SetStatusText(const std::string& text) override {
        Post([this, text] {
            if (showStatus_) showStatus_(text);
        });
    }
    TProgressIndicator* ProgressBar() override { return this; }
    void SetMax(int max) override {
        Post([this, max] { window_.SetMaximum(max); });
    }
    void SetPosition(int position) override {
        Post([this, position] { window_.SetPosition(position); });
    }
    void Finished() {
        Post([this] { window_.Finish(); });
    }

  private:
    template <typename Work>
    void Post(Work work) {
        QMetaObject::invokeMethod(&window_, std::move(work), Qt::QueuedConnection);
    }

    TfrmProgress& window_;
    std::function<void(const std::string&)> showStatus_;
};

}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("frmProgress");
    setWindowTitle("Loading...");
    setModal(true);
    text_ = new QLabel(this);
    text_->setObjectName("lblProgressText");
    text_->setMinimumWidth(360);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("barProgress");
    bar_->setRange(0, 25);
    bar_->setValue(0);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("btnCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(cancel_, &QPushButton::clicked, this, &TfrmProgress::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(buttons);
}

void TfrmProgress::SetText(const QString& text) {
    text_->setText(text);
}

void TfrmProgress::SetMaximum(int maximum) {
    bar_->setMaximum(maximum);
}

void TfrmProgress::SetPosition(int position) {
    bar_->setValue(position);
}

void TfrmProgress::Finish() {
    finished_ = true;
    accept();
}

void TfrmProgress::reject() {
    if (finished_) {
        QDialog::reject();
        return;
    }
    cancel_->setEnabled(false);
    emit CancelRequested();
}

int64_t LoadWithProgress(QWidget* parent, TLogAnalyzer& analyzer, const TLogFileDataParam& files,
                         const std::function<void(const std::string&)>& showStatus) {
    TfrmProgress window(parent);
    QObject::connect(&window, &TfrmProgress::CancelRequested, &window,
                     [&analyzer] { analyzer.Cancel(); });
    TProgressBridge bridge(window, showStatus);
    int64_t elapsed = 0;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            elapsed = LoadLogFiles(analyzer, files, bridge);
        } catch (...) {
            failure = std::current_exception();
        }
        bridge.Finished();
    });
    window.exec();
    worker.join();
    analyzer.SetProgressIndicator(nullptr);
    if (failure) std::rethrow_exception(failure);
    return elapsed;
}

}  // namespace vestrel::gui
