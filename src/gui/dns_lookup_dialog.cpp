#include "gui/dns_lookup_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "gui/worker_run.h"

namespace vestrel::gui {

namespace {

// The lookups' progress, carried from the worker to the dialog.
class TLookupBridge : public TDNSLookupObserver {
  public:
    explicit TLookupBridge(TfrmDNSLookup& dialog) : dialog_(dialog) {}
    void SetProgressMax(int max) override {
        PostToWindow(dialog_, [dialog = &dialog_, max] {
            dialog->ProgressBar()->setRange(0, std::max(max, 1));
        });
    }
    void SetProgress(int position) override {
        PostToWindow(dialog_,
                     [dialog = &dialog_, position] { dialog->ProgressBar()->setValue(position); });
    }
    void SetStatusText(const std::string& text) override {
        PostToWindow(dialog_, [dialog = &dialog_, text] { dialog->SetStatus(text); });
    }

  private:
    TfrmDNSLookup& dialog_;
};

}  // namespace

TfrmDNSLookup::TfrmDNSLookup(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDNSLookup");
    setWindowTitle("DNS Lookup");
    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    status_->setMinimumWidth(360);
    status_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("barProgress");
    bar_->setRange(0, 1);
    bar_->setValue(0);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("btnCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(cancel_, &QPushButton::clicked, this, &TfrmDNSLookup::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(status_);
    layout->addWidget(buttons);
}

TDNSLookup::TOutcome TfrmDNSLookup::Run(std::vector<std::string>& entries,
                                        const TDNSLookupOptions& options) {
    TLookupBridge bridge(*this);
    TDNSLookup lookup(options);
    TDNSLookup::TOutcome outcome = TDNSLookup::TOutcome::Cancelled;
    // The worker writes into its own copy; the entries change only once it has ended.
    std::vector<std::string> answers = entries;
    lookup_ = &lookup;
    ExecWithWorker(
        *this, [&] { outcome = lookup.Run(answers, bridge); }, [&] { lookup.Cancel(); },
        [this] { accept(); });
    lookup_ = nullptr;
    entries = std::move(answers);
    return outcome;
}

void TfrmDNSLookup::SetStatus(const std::string& text) {
    status_->setText(ToQString(text));
}

void TfrmDNSLookup::SetProgress(int position, int maximum) {
    bar_->setRange(0, std::max(maximum, 1));
    bar_->setValue(position);
}

void TfrmDNSLookup::reject() {
    SetStatus("Terminating...");
    status_->repaint();
    if (lookup_ != nullptr) lookup_->Cancel();
    QDialog::reject();
}

}  // namespace vestrel::gui
