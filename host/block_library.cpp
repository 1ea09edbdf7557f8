// Loading a block library. The block leaves every host service undefined, so
// the libraries providing them must be in the global scope before it is
// bound with RTLD_NOW.
#include <dlfcn.h>

#include <mutex>

#include "bridge/host_services.h"
#include "host/vostrel_host.h"

namespace vostrel {
namespace {

// The host-service libraries are normally already global (the process links
// them through this library). When this library was itself loaded with local
// scope, they are not: promote each one, found through one of its symbols,
// to global scope so that block libraries can bind to them.
void makeHostServicesGlobal() {
    static std::once_flag once;
    std::call_once(once, [] {
        const void* services[] = {reinterpret_cast<const void*>(&kvGetPr),
                                  reinterpret_cast<const void*>(&kivErrMsgTxt),
                                  reinterpret_cast<const void*>(&areAllInputPortsDiscreteSampleTime)};
        for (const void* service : services) {
            Dl_info info{};
            if (dladdr(service, &info) != 0 && info.dli_fname != nullptr) {
                // Kept open for the life of the process.
                dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL);
            }
        }
    });
}

}  // namespace

std::string blockNameFromPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

BlockLibrary::BlockLibrary(const std::string& path) : path_(path), blockName_(blockNameFromPath(path)) {
    makeHostServicesGlobal();
    // A bare file name would make dlopen search the library path instead of
    // the current directory.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        throw HostError("cannot load block library \"" + path + "\": " + (reason ? reason : "unknown reason"));
    }
    void* entry = dlsym(handle_, "kivFunction");
    if (entry == nullptr) {
        dlclose(handle_);
        throw HostError("block library \"" + path + "\" has no entry point kivFunction");
    }
    entry_ = reinterpret_cast<KivFunction>(entry);
}

BlockLibrary::~BlockLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

}  // namespace vostrel
