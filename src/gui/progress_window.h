// The progress window of the loading ("Loading...": a text line, a bar and Cancel) and the
// loading sequence run on a worker thread while the window is shown modally, so the program keeps
// repainting and Cancel stops the load. What was loaded before Cancel stays.
#pragma once

#include <QDialog>
#include <functional>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vestrel::gui {

class TfrmProgress : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    void SetText(const QString& text);
    void SetMaximum(int maximum);
    void SetPosition(int position);
    QPushButton* CancelButton() const { return cancel_; }
    // Closes the window once the work is over; until then closing it asks for Cancel.
    void Finish();

  signals:
    void CancelRequested();

  protected:
    void reject() override;

  private:
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool finished_ = false;
};

// Runs LoadLogFiles on a worker thread with the progress window shown modally over `parent`;
// `showStatus` receives the status texts on the window's thread. Answers the load time and
// raises, on the window's thread, what the loading raised.
int64_t LoadWithProgress(QWidget* parent, TLogAnalyzer& analyzer, const TLogFileDataParam& files,
                         const std::function<void(const std::string&)>& showStatus);

}  // namespace vestrel::gui
