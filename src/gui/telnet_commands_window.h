// The "Telnet Commands" window of a report opening: the session with the report's host in a
// terminal view, the script answering the server's prompts, "&OK" (always; closes) and "&Cancel"
// (while connected; disconnects and closes). The session runs on a worker thread.
#pragma once

#include <QDialog>
#include <memory>

#include "acquisition/telnet_script.h"
#include "shell/terminal_screen.h"

class QPushButton;

namespace vestrel::gui {

class TTerminalView;

class TfrmTelnetCmd : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmTelnetCmd(QWidget* parent = nullptr);
    ~TfrmTelnetCmd() override;

    // Runs the script modally until OK, Cancel, "Auto close" or the idle time-out of `idleTimeout`.
    void Run(const TTelnetScriptSettings& settings, std::chrono::seconds idleTimeout);

    TTerminalView* Terminal() const { return terminal_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void reject() override;

  private:
    class TBridge;
    void PressOk();
    void PressCancel();

    TTerminalScreen screen_;
    TTerminalView* terminal_;
    QPushButton* ok_;
    QPushButton* cancel_;
    TTelnetScriptWindow* session_ = nullptr;  // while Run runs
};

}  // namespace vestrel::gui
