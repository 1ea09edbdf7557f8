#include "cli/atomic_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

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

void installInterruptCleanup() {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, removePendingAndReraise);
        }
        return true;
    }();
    (void)installed;
}

// A slot index, or pendingSlots when none is free or the path is too long
// (the file is then still removed on every other path).
std::size_t registerPending(const std::string& path) {
    installInterruptCleanup();
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

// mkstemp creates files readable by the owner only; an output file gets the
// permissions any new file would get under the user's umask.
void giveUsualPermissions(int descriptor) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
}

}  // namespace

AtomicOutput::AtomicOutput(std::string target) : target_(std::move(target)) {
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (name.empty()) {
        throw FileError(target_, "not a file name");
    }
    std::string pattern = folder + "." + name + ".partial-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = ::mkstemp(buffer.data());
    if (descriptor < 0) {
        throw FileError(target_, std::string("cannot create: ") + std::strerror(errno));
    }
    giveUsualPermissions(descriptor);
    ::close(descriptor);
    temporary_ = buffer.data();
    slot_ = registerPending(temporary_);
}

AtomicOutput::~AtomicOutput() {
    if (!committed_) {
        std::remove(temporary_.c_str());
    }
    unregisterPending(slot_);
}

void AtomicOutput::commit() {
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw FileError(target_, std::string("cannot write: ") + std::strerror(errno));
    }
    committed_ = true;
    unregisterPending(slot_);
    slot_ = pendingSlotNone;
}

}  // namespace quorbelin::cli
