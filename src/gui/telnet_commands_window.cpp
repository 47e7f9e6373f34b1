#include "gui/telnet_commands_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/message_boxes.h"
#include "gui/terminal_view.h"
#include "gui/worker_run.h"

namespace vestrel::gui {

// The session's terminal output and window events, carried from the worker to the window.
class TfrmTelnetCmd::TBridge : public TTerminalSink, public TTelnetWindowObserver {
  public:
    explicit TBridge(TfrmTelnetCmd& window) : window_(window) {}

    // The posted work refers to the window only, which outlives every event posted to it.
    void Clear() override {
        PostToWindow(window_, [window = &window_] { window->terminal_->Clear(); });
    }
    void Write(std::string_view text) override {
        PostToWindow(window_, [window = &window_, bytes = std::string(text)] {
            window->terminal_->Write(bytes);
        });
    }
    void ScrollToEnd() override {
        PostToWindow(window_, [window = &window_] { window->terminal_->ScrollToEnd(); });
    }
    void ShowMessage(const std::string& text) override {
        PostToWindow(window_, [window = &window_, text] { ShowError(window, text); });
    }
    void CancelEnabled(bool enabled) override {
        PostToWindow(window_,
                     [window = &window_, enabled] { window->cancel_->setEnabled(enabled); });
    }
    void WindowClosed() override {
        PostToWindow(window_, [window = &window_] { window->accept(); });
    }

  private:
    TfrmTelnetCmd& window_;
};

TfrmTelnetCmd::TfrmTelnetCmd(QWidget* parent) : QDialog(parent) {
    setObjectName("frmTelnetCmd");
    setWindowTitle("Telnet Commands");
    terminal_ = new TTerminalView(screen_, this);
    ok_ = new QPushButton("&OK", this);
    ok_->setObjectName("btnOK");
    cancel_ = new QPushButton("&Cancel", this);
    cancel_->setObjectName("btnCancel");
    cancel_->setEnabled(false);
    for (QPushButton* button : {ok_, cancel_}) button->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(ok_, &QPushButton::clicked, this, &TfrmTelnetCmd::PressOk);
    connect(cancel_, &QPushButton::clicked, this, &TfrmTelnetCmd::PressCancel);
    connect(terminal_, &TTerminalView::Typed, this, [this](const std::string& bytes) {
        if (session_ != nullptr) session_->Type(bytes);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(terminal_, 1);
    layout->addWidget(buttons);
    terminal_->setFocus();
}

TfrmTelnetCmd::~TfrmTelnetCmd() = default;

void TfrmTelnetCmd::Run(const TTelnetScriptSettings& settings, std::chrono::seconds idleTimeout) {
    TBridge bridge(*this);
    TTelnetScriptWindow session(bridge, bridge);
    session_ = &session;
    ExecWithWorker(
        *this,
        [&] {
            session.Open(settings);
            session.RunModal(idleTimeout);
        },
        [&] { session.PressOk(); }, [] {});
    session_ = nullptr;
}

void TfrmTelnetCmd::PressOk() {
    if (session_ != nullptr) session_->PressOk();
    accept();
}

void TfrmTelnetCmd::PressCancel() {
    if (session_ != nullptr) session_->PressCancel();
    QDialog::reject();
}

// Closing the window by its frame or Escape is the OK button's closing.
void TfrmTelnetCmd::reject() {
    PressOk();
}

}  // namespace vestrel::gui
