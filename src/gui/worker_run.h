// How the network windows stay live: a client runs on a worker thread while its window is shown
// modally, and what the client reports is posted to the window's thread.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <utility>

class QDialog;

namespace vestrel::gui {

// Runs `work` on the thread of `window` (later, from its event loop); dropped when the window is
// gone by then.
template <typename Work>
void PostToWindow(QObject& window, Work work) {
    QMetaObject::invokeMethod(&window, std::move(work), Qt::QueuedConnection);
}

// Shows `dialog` modally and runs `work` on a worker thread from then on. When `work` returns,
// `finished` runs on the window's thread while the dialog is still open (the dialog decides
// whether to close); when `work` raises, the dialog closes and the error is raised again here.
// Whenever the dialog closes, `stop` asks the work to end, and the worker is waited for.
int ExecWithWorker(QDialog& dialog, const std::function<void()>& work,
                   const std::function<void()>& stop, const std::function<void()>& finished);

}  // namespace vestrel::gui
