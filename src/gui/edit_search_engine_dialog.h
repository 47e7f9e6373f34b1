// "Search Engine": the name, address part and phrase start of one recognised search engine.
#pragma once

#include <QDialog>
#include <array>

#include "shell/options.h"

class QLineEdit;

namespace vestrel::gui {

class TfrmEditSearchEngine : public QDialog {
    Q_OBJECT

  public:
    // Edits the row at `row` of `list`, or adds a new one when `row` is negative.
    TfrmEditSearchEngine(TSortedTable<TSearchEngineRow>& list, int row, QWidget* parent = nullptr);

    // The fields "Name", "URL" and "Phrase start with".
    QLineEdit* Field(int index) const { return fields_[static_cast<size_t>(index)]; }
    // After OK: where the row stands once the list has re-sorted.
    int Row() const { return row_; }

  public slots:
    // Trims the three texts; the first empty one is named in an error and keeps the dialog open.
    void accept() override;

  private:
    TSortedTable<TSearchEngineRow>& list_;
    int row_;
    std::array<QLineEdit*, 3> fields_{};
};

// Runs the editor on the row at `row` (edit) or for a new row; true on OK, with `row` then the
// index of the edited or added row.
bool EditSearchEngine(QWidget* parent, TSortedTable<TSearchEngineRow>& list, int& row, bool edit);

}  // namespace vestrel::gui
