#include "host/method_runner.h"

namespace vostrel {

void runMethod(const BlockLibrary& library, HostBlock& block, MethodCode code, const MethodArgs& args) {
    std::string message;
    try {
        message = callMethod(library, block, static_cast<double>(code), args);
    } catch (const HostError& error) {
        throw SimulationError(error.what(), false);
    }
    if (!message.empty()) {
        throw SimulationError(message, true);
    }
}

}  // namespace vostrel
