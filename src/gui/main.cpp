// The desktop program: opens the data folder's store, shows the main window and works through
// the command line ("?" for its help, R followed by a report name to open that report).
#include <QApplication>
#include <QTimer>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/temp_files.h"
#include "gui/main_window.h"
#include "gui/message_boxes.h"
#include "shell/data_folder.h"
#include "shell/report_store.h"

namespace {

// "--data-dir DIR" (or "--data-dir=DIR") is the program's own option; every other argument is
// the command line the main window works through.
std::vector<std::string> ReportArguments(const QStringList& arguments, std::string& dataDir) {
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--data-dir" && i + 1 < arguments.size()) {
            dataDir = arguments[++i].toStdString();
        } else if (argument.startsWith("--data-dir=")) {
            dataDir = argument.mid(11).toStdString();
        } else {
            rest.push_back(argument.toStdString());
        }
    }
    return rest;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vestrel::RemoveTempFilesOnSignals();
    QApplication::setApplicationName("vestrel");
    QApplication::setDesktopFileName("vestrel");
    vestrel::gui::ChooseIconTheme();

    std::string dataDir;
    const std::vector<std::string> arguments = ReportArguments(application.arguments(), dataDir);
    std::string dataFolder;
    try {
        dataFolder = vestrel::ResolveDataFolder(dataDir);
    } catch (const vestrel::EVestrelError& error) {
        vestrel::gui::ShowError(nullptr, error.what());
        return 1;
    }
    vestrel::TDM1 store(dataFolder);
    try {
        store.Open();
    } catch (const vestrel::EVestrelError& error) {
        vestrel::gui::ShowError(nullptr, error.what());
    }
    vestrel::gui::TfrmMain window(store, dataFolder);
    window.show();
    QTimer::singleShot(0, &window, [&] { window.StartUp(arguments); });
    return QApplication::exec();
}
