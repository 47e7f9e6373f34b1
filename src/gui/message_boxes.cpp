#include "gui/message_boxes.h"

#include <QMessageBox>

#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

class TRealMessageBoxes : public TMessagePresenter {
  public:
    bool Present(QWidget* parent, TMessageKind kind, const std::string& text) override {
        // The old line breaks were single CRs; Qt breaks lines on LF.
        QString shown = ToQString(text);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
        const QString title = QString::fromLatin1(kApplicationTitle);
        switch (kind) {
            case TMessageKind::Error:
                QMessageBox::critical(parent, title, shown);
                return true;
            case TMessageKind::Information:
                QMessageBox::information(parent, title, shown);
                return true;
            case TMessageKind::Question:
                return QMessageBox::question(parent, title, shown,
                                             QMessageBox::Yes | QMessageBox::No,
                                             QMessageBox::No) == QMessageBox::Yes;
        }
        return false;
    }
};

TRealMessageBoxes realBoxes;
TMessagePresenter* presenter = &realBoxes;

}  // namespace

void SetMessagePresenter(TMessagePresenter* replacement) {
    presenter = replacement != nullptr ? replacement : &realBoxes;
}

void ShowError(QWidget* parent, const std::string& text) {
    presenter->Present(parent, TMessageKind::Error, text);
}

void ShowInformation(QWidget* parent, const std::string& text) {
    presenter->Present(parent, TMessageKind::Information, text);
}

bool AskQuestion(QWidget* parent, const std::string& text) {
    return presenter->Present(parent, TMessageKind::Question, text);
}

}  // namespace vestrel::gui
