// A small dialog asking for two texts, each under its label, with "&OK" and "&Cancel".
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLineEdit;

namespace vestrel::gui {

class TfrmInputBox2 : public QDialog {
    Q_OBJECT

  public:
    // Without a help topic the dialog has no "&Help" button.
    TfrmInputBox2(const std::string& caption, const std::string& label1, const std::string& label2,
                  const std::string& text1, const std::string& text2, std::string_view helpTopic,
                  QWidget* parent = nullptr);

    QLineEdit* Edit1() const { return edit1_; }
    QLineEdit* Edit2() const { return edit2_; }

  private:
    QLineEdit* edit1_;
    QLineEdit* edit2_;
};

// Runs the dialog preset with `text1` and `text2`; on OK they take the texts as typed (no
// trimming, no check) and the answer is true.
bool AskTwoTexts(QWidget* parent, const std::string& caption, const std::string& label1,
                 const std::string& label2, std::string& text1, std::string& text2,
                 std::string_view helpTopic = {});

}  // namespace vestrel::gui
