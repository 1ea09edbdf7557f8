#include "cli/atomic_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include <pthread.h>

#include "cli/errors.h"

namespace quorbelin::cli {

namespace {

// The temporary files alive right now, for the interrupt handler, which may
// only use async-signal-safe calls: fixed slots of plain characters, each
// published by its first byte.
constexpr std::size_t pendingSlots = 8;
constexpr std::size_t pendingPathLength = 4096;
std::array<std::array<char, pendingPathLength>, pendingSlots> pendingPaths{};
volatile std::sig_atomic_t pendingUsed[pendingSlots] = {};

void removePendingAndReraise(int signal) {
    for (std::size_t i = 0; i < pendingSlots; ++i) {
        if (pendingUsed[i] != 0) {
            ::unlink(pendingPaths[i].data());
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

constexpr int cleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void installInterruptCleanup() {
    static const bool installed = [] {
        for (const int signal : cleanupSignals) {
            struct sigaction action {};
            action.sa_handler = removePendingAndReraise;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Holds the cleanup signals back while a temporary file is created and
// registered, so that none arrives between the two.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : cleanupSignals) {
            sigaddset(&held, signal);
        }
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// A slot index, or pendingSlots when none is free or the path is too long
// (the file is then still removed on every other path).
std::size_t registerPending(const std::string& path) {
    if (path.size() >= pendingPathLength) {
        return pendingSlots;
    }
    for (std::size_t i = 0; i < pendingSlots; ++i) {
        if (pendingUsed[i] == 0) {
            std::memcpy(pendingPaths[i].data(), path.c_str(), path.size() + 1);
            pendingUsed[i] = 1;
            return i;
        }
    }
    return pendingSlots;
}

void unregisterPending(std::size_t slot) {
    if (slot < pendingSlots) {
        pendingUsed[slot] = 0;
    }
}

// mkstemp creates files readable by the owner only. A file that replaces
// another keeps its permissions, as cp leaves them; a new one gets what any
// new file would get under the user's umask.
void giveUsualPermissions(int descriptor, const std::optional<mode_t>& replaced) {
    if (replaced) {
        ::fchmod(descriptor, *replaced & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
}

// A symbolic link is followed to the file it names, so that the link stays
// and its target is replaced.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return path;
        }
        std::vector<char> buffer(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 4095) + 1);
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
            return path;
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = link.starts_with('/') || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    throw FileError(path, "too many levels of symbolic links");
}

}  // namespace

AtomicOutput::AtomicOutput(std::string target) : target_(std::move(target)), written_(followLinks(target_)) {
    // An existing file the user may not write is refused, as cp refuses it,
    // and so is a folder.
    std::optional<mode_t> replaced;
    struct stat status {};
    if (::stat(written_.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            throw FileError(target_, "is a folder");
        }
        if (::access(written_.c_str(), W_OK) != 0) {
            throw FileError(target_, std::string("cannot write: ") + std::strerror(errno));
        }
        replaced = status.st_mode;
    }
    const std::size_t slash = written_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : written_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? written_ : written_.substr(slash + 1);
    if (name.empty()) {
        throw FileError(target_, "not a file name");
    }
    std::string pattern = folder + "." + name + ".partial-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // The handler is in place before the file exists, and no signal comes
    // between its creation and its registration.
    installInterruptCleanup();
    {
        const SignalsHeld held;
        const int descriptor = ::mkstemp(buffer.data());
        if (descriptor < 0) {
            throw FileError(target_, std::string("cannot create: ") + std::strerror(errno));
        }
        slot_ = registerPending(buffer.data());
        giveUsualPermissions(descriptor, replaced);
        ::close(descriptor);
    }
    temporary_ = buffer.data();
}

AtomicOutput::~AtomicOutput() {
    if (!committed_) {
        std::remove(temporary_.c_str());
    }
    unregisterPending(slot_);
}

void AtomicOutput::commit() {
    if (std::rename(temporary_.c_str(), written_.c_str()) != 0) {
        throw FileError(target_, std::string("cannot write: ") + std::strerror(errno));
    }
    committed_ = true;
    unregisterPending(slot_);
    slot_ = pendingSlotNone;
}

}  // namespace quorbelin::cli
