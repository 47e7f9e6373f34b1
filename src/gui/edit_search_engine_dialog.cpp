#include "gui/edit_search_engine_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "gui/help_window.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

constexpr const char* kFieldNames[] = {"edtName", "edtURL", "edtPhraseStart"};

TSearchEngineRow RowAt(const TSortedTable<TSearchEngineRow>& list, int row) {
    if (row < 0 || static_cast<size_t>(row) >= list.Rows().size()) return {};
    return list.Rows()[static_cast<size_t>(row)];
}

}  // namespace

TfrmEditSearchEngine::TfrmEditSearchEngine(TSortedTable<TSearchEngineRow>& list, int row,
                                           QWidget* parent)
    : QDialog(parent), list_(list), row_(row) {
    setObjectName("frmEditSearchEngine");
    setWindowTitle("Search Engine");
    const TSearchEngineRow shown = RowAt(list, row);
    const std::string* const texts[] = {&shown.Name, &shown.URL, &shown.PhraseStart};
    auto* form = new QFormLayout;
    for (size_t i = 0; i < fields_.size(); ++i) {
        fields_[i] = new QLineEdit(ToQString(*texts[i]), this);
        fields_[i]->setObjectName(kFieldNames[i]);
        fields_[i]->setMinimumWidth(340);
        form->addRow(ToQString(kSearchEngineLabels[i]), fields_[i]);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEditSearchEngine::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelpTopic(this, "OptionsSearchEngines"); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    fields_[0]->setFocus();
}

void TfrmEditSearchEngine::accept() {
    TSearchEngineRow edited{FromQString(fields_[0]->text()), FromQString(fields_[1]->text()),
                            FromQString(fields_[2]->text())};
    const int missing = TrimSearchEngine(edited);
    if (missing >= 0) {
        ShowError(this, MissingFieldText(kSearchEngineLabels[static_cast<size_t>(missing)]));
        fields_[static_cast<size_t>(missing)]->setFocus();
        return;
    }
    try {
        const size_t at = row_ >= 0 ? list_.Replace(static_cast<size_t>(row_), std::move(edited))
                                    : list_.Add(std::move(edited));
        row_ = static_cast<int>(at);
    } catch (const std::exception& error) {
        ShowError(this, error.what());
        return;
    }
    QDialog::accept();
}

bool EditSearchEngine(QWidget* parent, TSortedTable<TSearchEngineRow>& list, int& row, bool edit) {
    if (edit && (row < 0 || static_cast<size_t>(row) >= list.Rows().size())) return false;
    TfrmEditSearchEngine dialog(list, edit ? row : -1, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    row = dialog.Row();
    return true;
}

}  // namespace vestrel::gui
