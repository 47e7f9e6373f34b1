#include "gui/worker_run.h"

#include <QDialog>
#include <QTimer>
#include <exception>
#include <memory>
#include <thread>

namespace vestrel::gui {

int ExecWithWorker(QDialog& dialog, const std::function<void()>& work,
                   const std::function<void()>& stop, const std::function<void()>& finished) {
    std::thread worker;
    std::exception_ptr failure;
    auto open = std::make_shared<bool>(true);
    QTimer::singleShot(0, &dialog, [&] {
        worker = std::thread([&, open] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            const bool failed = failure != nullptr;
            PostToWindow(dialog, [&dialog, &finished, open, failed] {
                if (!*open) return;
                if (failed)
                    dialog.reject();
                else
                    finished();
            });
        });
    });
    const int result = dialog.exec();
    *open = false;
    stop();
    if (worker.joinable()) worker.join();
    if (failure) std::rethrow_exception(failure);
    return result;
}

}  // namespace vestrel::gui
