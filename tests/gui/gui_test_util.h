// Shared pieces of the window tests: a data folder with the default lists, the message boxes
// read instead of shown, and answering a modal dialog once it is open.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/message_boxes.h"
#include "shell/report_store.h"

namespace vestrel::gui::testing {

struct TShownMessage {
    TMessageKind Kind;
    std::string Text;
};

// Records every message box; questions get `Answer`.
class TRecordingPresenter : public TMessagePresenter {
  public:
    TRecordingPresenter() { SetMessagePresenter(this); }
    ~TRecordingPresenter() override { SetMessagePresenter(nullptr); }
    bool Present(QWidget*, TMessageKind kind, const std::string& text) override {
        Shown.push_back({kind, text});
        return Answer;
    }
    std::vector<TShownMessage> Shown;
    bool Answer = true;
};

// A fresh data folder (with a trailing "/") holding the default reference lists.
inline std::string MakeDataFolder() {
    std::string pattern = ::testing::TempDir() + "vestrel-gui-XXXXXX";
    const std::string folder = std::string(mkdtemp(pattern.data())) + "/";
    for (const auto& list : std::filesystem::directory_iterator(VESTREL_SOURCE_DIR "/data"))
        if (list.path().extension() == ".txt")
            std::filesystem::copy_file(list.path(), folder + list.path().filename().string());
    return folder;
}

inline void AddReport(TDM1& store, const std::string& name, const std::string& logFiles,
                      const std::string& domain = "www.example.com") {
    TReportRecord report;
    report.Name = name;
    report.Domain = domain;
    report.DefaultPage = "index.html";
    report.LogFiles = logFiles;
    report.Targets = "/checkout/thanks.html";
    store.InsertReport(report);
}

inline const std::string kDemoLog = VESTREL_SOURCE_DIR "/data/demo/access.log";

// Runs `answer` on the next modal dialog of type Dialog once it is shown (the caller then opens
// it with exec()); a dialog the answer left open is cancelled, so a failed check never hangs.
template <typename Dialog>
void WhenModal(std::function<void(Dialog&)> answer) {
    auto* timer = new QTimer(qApp);  // one whose dialog never came goes with the application
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        answer(*dialog);
        if (dialog->isVisible()) static_cast<QDialog*>(dialog)->reject();
    });
    timer->start();
}

}  // namespace vestrel::gui::testing
