// libkiv: the plug-in services a block calls.
#include "bridge/host_services.h"
#include "host/call_abandoned.h"
#include "host/call_memory.h"

namespace vostrel {

CallAbandoned::CallAbandoned(std::string message) : message_(std::move(message)) {}
// Out of line: the key function that anchors the type information here.
CallAbandoned::~CallAbandoned() = default;
const char* CallAbandoned::what() const noexcept { return message_.c_str(); }

}  // namespace vostrel

extern "C" {

void kivErrMsgTxt(const char* message) {
    throw vostrel::CallAbandoned(message ? message : "");
}

void kivMakeMemoryPersistent(void* block) { vostrel::memory::makeBlockPersistent(block); }

}  // extern "C"
