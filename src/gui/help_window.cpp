#include "gui/help_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "shell/data_folder.h"

namespace vestrel::gui {

namespace {

namespace fs = std::filesystem;

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// A keyword names a page of the help folder only; anything that could lead out of it does not.
bool IsPageName(std::string_view keyword) {
    return !keyword.empty() && keyword.find('/') == std::string_view::npos &&
           keyword.find("..") == std::string_view::npos && keyword.find('\0') == keyword.npos;
}

class TfrmHelp : public QWidget {
  public:
    explicit TfrmHelp(QWidget* owner) : QWidget(owner, Qt::Window) {
        setObjectName("frmHelp");
        setWindowTitle("Vestrel Help");
        setAttribute(Qt::WA_QuitOnClose, false);
        browser_ = new QTextBrowser(this);
        browser_->setObjectName("helpBrowser");
        browser_->setOpenLinks(false);
        auto* back = new QPushButton("&Back", this);
        back->setObjectName("btnBack");
        back->setEnabled(false);
        auto* forward = new QPushButton("&Forward", this);
        forward->setObjectName("btnForward");
        forward->setEnabled(false);
        auto* contents = new QPushButton("&Contents", this);
        contents->setObjectName("btnContents");
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        connect(contents, &QPushButton::clicked, this, [this] { ShowPage(contents_); });
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
        connect(browser_, &QTextBrowser::anchorClicked, this, &TfrmHelp::FollowLink);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(back);
        buttons->addWidget(forward);
        buttons->addWidget(contents);
        buttons->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(browser_);
        resize(640, 560);
        Watch(owner);
    }

    void ShowPage(const QUrl& page) {
        if (page.isEmpty()) return;
        browser_->setSource(page);
    }

    void ShowMissingPages(const QString& folder) {
        browser_->setHtml(
            "<h1>Vestrel Help</h1><p>The help pages are not installed: there is no "
            "index.html in " +
            folder.toHtmlEscaped() + ".</p>");
    }

    void SetContents(const QUrl& contents) { contents_ = contents; }

    // Moves the window to `owner` (a top-level window, or null), keeping its place on screen.
    void SetOwner(QWidget* owner) {
        if (owner == parentWidget()) return;
        const bool shown = isVisible();
        const QRect place = geometry();
        Watch(owner);
        setParent(owner, Qt::Window);
        setGeometry(place);
        if (shown) show();
    }

  protected:
    // When the dialog the window belongs to closes, the window stays open with the dialog's own
    // owner; a window without an owner takes the help with it.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == owner_ && event->type() == QEvent::Hide && !event->spontaneous()) {
            QWidget* next = owner_->parentWidget() ? owner_->parentWidget()->window() : nullptr;
            if (next == nullptr)
                close();
            else
                SetOwner(next);
        }
        return QWidget::eventFilter(watched, event);
    }

  private:
    void Watch(QWidget* owner) {
        if (owner_) owner_->removeEventFilter(this);
        owner_ = owner;
        if (owner_) owner_->installEventFilter(this);
    }

    void FollowLink(const QUrl& link) {
        const QUrl target = browser_->source().resolved(link);
        if (target.isLocalFile()) {
            if (QFileInfo::exists(target.toLocalFile())) browser_->setSource(target);
        } else if (!target.scheme().isEmpty()) {
            // Web addresses and mail go to the desktop; without a registered browser nothing
            // happens.
            QDesktopServices::openUrl(target);
        }
    }

    QTextBrowser* browser_;
    QUrl contents_;
    QPointer<QWidget> owner_;
};

QPointer<TfrmHelp> helpWindow;

void DestroyHelpWindow() {
    delete helpWindow.data();
}

}  // namespace

std::string HelpFolder(const std::string& executableFolder) {
    const fs::path beside = fs::path(executableFolder) / "help" / "";
    if (fs::exists(beside / "index.html")) return beside.string();
    return (fs::path(executableFolder) / ".." / "share" / "vestrel" / "help" / "")
        .lexically_normal()
        .string();
}

std::string HelpFolder() {
    return HelpFolder(ExecutableFolder());
}

void ShowHelpTopic(QWidget* parent, std::string_view keyword) {
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    if (helpWindow == nullptr) {
        static const bool cleanUpRegistered = (qAddPostRoutine(DestroyHelpWindow), true);
        (void)cleanUpRegistered;
        helpWindow = new TfrmHelp(owner);
    } else {
        helpWindow->SetOwner(owner);
    }
    const std::string folder = HelpFolder();
    const std::string index = folder + "index.html";
    std::string page = IsPageName(keyword) ? folder + std::string(keyword) + ".html" : index;
    if (!fs::exists(page)) page = index;
    if (fs::exists(page)) {
        helpWindow->SetContents(QUrl::fromLocalFile(FromPath(index)));
        helpWindow->ShowPage(QUrl::fromLocalFile(FromPath(page)));
    } else {
        helpWindow->ShowMissingPages(FromPath(folder));
    }
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

QWidget* HelpWindow() {
    return helpWindow.data();
}

}  // namespace vestrel::gui
