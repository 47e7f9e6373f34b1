// The "DNS Lookup" dialog: reverse lookups of a list of addresses (up to 64 at a time) on a
// worker thread, with a progress bar, a status line showing each name found, and Cancel, which
// shows "Terminating..." and stops the lookups still outstanding. It closes when every entry is
// answered, at once for an empty list.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "acquisition/dns_lookup.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vestrel::gui {

class TfrmDNSLookup : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmDNSLookup(QWidget* parent = nullptr);

    // Replaces each entry by the name found or by the empty text.
    TDNSLookup::TOutcome Run(std::vector<std::string>& entries, const TDNSLookupOptions& options);
    void SetStatus(const std::string& text);
    void SetProgress(int position, int maximum);

    QLabel* StatusLine() const { return status_; }
    QProgressBar* ProgressBar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void reject() override;

  private:
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    TDNSLookup* lookup_ = nullptr;  // while Run runs
};

}  // namespace vestrel::gui
