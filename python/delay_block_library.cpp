#include "python/delay_block_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "cli/errors.h"

namespace quorbelin::python {

namespace {

// The folder of the shared object this function is compiled into: the
// extension module, wherever the interpreter loaded it from.
std::string moduleFolder() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&moduleFolder), &info) == 0 || info.dli_fname == nullptr) {
        return ".";
    }
    const std::string path(info.dli_fname);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string locate() {
    const std::string folder = moduleFolder();
    const std::vector<std::string> candidates = {
        folder + "/" QUORBELIN_PYTHON_BUILD_BLOCK_DIR "/quorbelin.so",
        folder + "/" QUORBELIN_PYTHON_INSTALLED_BLOCK_DIR "/quorbelin.so",
    };
    std::string looked;
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), R_OK) == 0) {
            return candidate;
        }
        looked += (looked.empty() ? "" : ", ") + candidate;
    }
    throw cli::BlockError("the block library quorbelin.so was not found (looked at " + looked + ")");
}

}  // namespace

const vostrel::BlockLibrary& delayBlockLibrary() {
    // Loaded on first use rather than at import, so that `import quorbelin`
    // works (and design_filter with it) even where the block is missing;
    // the first run then names the places looked at.
    // Never unloaded: a Delay the interpreter does not collect before the
    // process ends may still call its block's release.
    static std::mutex mutex;
    static const vostrel::BlockLibrary* library = nullptr;
    std::lock_guard lock(mutex);
    if (library == nullptr) {
        library = new vostrel::BlockLibrary(locate());
    }
    return *library;
}

}  // namespace quorbelin::python
