#include "engine/temp_files.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace vestrel {

namespace {

// A fixed table, so that the signal handler reads it without allocating or locking. A slot is
// Free, being Filled by its owner, or Ready for the handler to read.
enum TSlotState : int { kFree, kFilled, kReady };
constexpr int kSlots = 64;

struct TSlot {
    std::atomic<int> State{kFree};
    char Path[PATH_MAX] = {};
};
constinit TSlot slots[kSlots];  // zero pages until used, not written at start

int TakeSlot(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].State.compare_exchange_strong(expected, kFilled)) continue;
        std::memcpy(slots[i].Path, path.c_str(), path.size() + 1);
        slots[i].State.store(kReady);
        return i;
    }
    return -1;  // more temporary files than slots: the others are only removed when destroyed
}

void RemoveAndStop(int signal) {
    for (TSlot& slot : slots)
        if (slot.State.load() == kReady) ::unlink(slot.Path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

constexpr size_t kRandomPart = 6;

// The process id in a name made by TempFileTemplate, or 0 when the name is none of those.
pid_t OwnerOf(std::string_view name, std::string_view stemPrefix, std::string_view suffix) {
    if (!name.starts_with(stemPrefix) || !name.ends_with(suffix)) return 0;
    name.remove_suffix(suffix.size());
    if (name.size() < kRandomPart + 3) return 0;
    name.remove_suffix(kRandomPart);
    if (name.back() != '-') return 0;
    name.remove_suffix(1);
    const size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || dash < stemPrefix.size()) return 0;
    pid_t owner = 0;
    for (const char c : name.substr(dash + 1)) {
        if (c < '0' || c > '9' || owner > 99999999) return 0;
        owner = owner * 10 + (c - '0');
    }
    return owner;
}

bool IsRunning(pid_t process) {
    return ::kill(process, 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string TempFileTemplate(const std::string& stem, const std::string& suffix) {
    return stem + "-" + std::to_string(::getpid()) + "-XXXXXX" + suffix;
}

void RemoveLeftoverTempFiles(const std::string& folder, std::string_view stemPrefix,
                             std::string_view suffix) {
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = OwnerOf(entry->d_name, stemPrefix, suffix);
        if (owner > 0 && !IsRunning(owner)) ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

TTempFile::TTempFile(std::string path) : path_(std::move(path)), slot_(TakeSlot(path_)) {}

TTempFile::~TTempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
    Release();
}

TTempFile::TTempFile(TTempFile&& other) noexcept
    : path_(std::exchange(other.path_, {})), slot_(std::exchange(other.slot_, -1)) {}

TTempFile& TTempFile::operator=(TTempFile&& other) noexcept {
    if (this != &other) {
        TTempFile old(std::move(*this));
        path_ = std::exchange(other.path_, {});
        slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
}

void TTempFile::Keep() {
    path_.clear();
    Release();
}

void TTempFile::Release() {
    if (slot_ >= 0) slots[slot_].State.store(kFree);
    slot_ = -1;
}

void RemoveTempFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveAndStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller's parent ignores (nohup) stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace vestrel
