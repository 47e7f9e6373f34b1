// "About Vestrel": the program's name, what it is, its version and a link to the project page.
#pragma once

#include <QDialog>
#include <QIcon>

class QLabel;

namespace vestrel::gui {

// The project page the about box links to.
inline constexpr char kProjectPageUrl[] = "https://github.com/vestrel/vestrel#readme";

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* ProgramName() const { return name_; }
    QLabel* Description() const { return description_; }
    QLabel* Version() const { return version_; }
    QLabel* Link() const { return link_; }

  private:
    QLabel* name_;
    QLabel* description_;
    QLabel* version_;
    QLabel* link_;
};

// The program's icon from the desktop theme, or a drawn one when the theme has none.
QIcon ProgramIcon();

// Runs the about box modally.
void ShowAboutBox(QWidget* parent);

}  // namespace vestrel::gui
