// Every message box of the program goes through here: the three kinds (an error with OK, an
// information with OK, a question with Yes and No). Tests put a presenter of their own in place of
// the real boxes, so they read the texts instead of blocking on a modal box.
#pragma once

#include <string>

class QWidget;

namespace vestrel::gui {

// The program's title, which heads its message boxes.
inline constexpr const char* kApplicationTitle = "Vestrel File Analyzer";

enum class TMessageKind { Error, Information, Question };

class TMessagePresenter {
  public:
    virtual ~TMessagePresenter() = default;
    // Answers true for OK or Yes.
    virtual bool Present(QWidget* parent, TMessageKind kind, const std::string& text) = 0;
};

// Null restores the real message boxes; the presenter must outlive its use.
void SetMessagePresenter(TMessagePresenter* presenter);

void ShowError(QWidget* parent, const std::string& text);
void ShowInformation(QWidget* parent, const std::string& text);
// True only when the user answers Yes.
bool AskQuestion(QWidget* parent, const std::string& text);

}  // namespace vestrel::gui
