#include "cli/block_location.h"

#include <unistd.h>

#include <vector>

#include "cli/errors.h"

#ifndef QUORBELIN_INSTALL_LIBDIR
#define QUORBELIN_INSTALL_LIBDIR "lib"
#endif
#ifndef QUORBELIN_INSTALL_LIBEXECDIR
#define QUORBELIN_INSTALL_LIBEXECDIR "libexec"
#endif

namespace quorbelin::cli {

namespace {

constexpr const char* blockFileName = "quorbelin.so";

std::string executableFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return ".";
    }
    const std::string path(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The first readable candidate, or nothing.
std::string firstExisting(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), R_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

}  // namespace

std::string locateAllocationCheckProgram() {
    constexpr const char* program = "quorbelin-allocation-check";
    const std::string folder = executableFolder();
    const std::vector<std::string> candidates = {
        folder + "/" + program,
        folder + "/../" QUORBELIN_INSTALL_LIBEXECDIR "/quorbelin/" + program,
    };
    const std::string found = firstExisting(candidates);
    return found.empty() ? candidates.front() : found;
}

std::string locateBlockLibrary(const std::string& requested) {
    if (!requested.empty()) {
        return requested;
    }
    const std::string folder = executableFolder();
    const std::vector<std::string> candidates = {
        folder + "/" + blockFileName,
        folder + "/../" QUORBELIN_INSTALL_LIBDIR "/" + blockFileName,
    };
    if (std::string found = firstExisting(candidates); !found.empty()) {
        return found;
    }
    std::string message = "cannot find the block library " + std::string(blockFileName) + "; looked at";
    for (const std::string& candidate : candidates) {
        message += " " + candidate;
    }
    throw BlockError(message + " (give --block PATH)");
}

}  // namespace quorbelin::cli
