#include "cli/atomic_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/errors.h"

namespace quorbelin::cli {

namespace {

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
}

AtomicOutput::~AtomicOutput() {
    if (!committed_) {
        std::remove(temporary_.c_str());
    }
}

void AtomicOutput::commit() {
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw FileError(target_, std::string("cannot write: ") + std::strerror(errno));
    }
    committed_ = true;
}

}  // namespace quorbelin::cli
