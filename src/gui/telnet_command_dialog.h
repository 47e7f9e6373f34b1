// "Telnet Command": the prompt and the command of one line of a report's telnet script.
#pragma once

#include <QDialog>

#include "acquisition/telnet_script.h"

class QLineEdit;

namespace vestrel::gui {

class TfrmTelnetCommand : public QDialog {
    Q_OBJECT

  public:
    TfrmTelnetCommand(const TTelnetLine& line, QWidget* parent = nullptr);

    // The texts as typed, unchanged.
    TTelnetLine Line() const;

  private:
    QLineEdit* prompt_;
    QLineEdit* command_;
};

// Runs the editor on `line`; on OK the line takes the new texts and the answer is true.
bool EditTelnetCommand(QWidget* parent, TTelnetLine& line);

}  // namespace vestrel::gui
