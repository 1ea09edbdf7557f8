// The life cycle of one block after propagation: work widths and storage,
// start, initial conditions, one output call per sample hit, release.
#include "host/simulation.h"

#include <algorithm>

#include "host/method_runner.h"

namespace vostrel {
namespace {

void checkSpan(std::size_t given, std::size_t expected, const char* what) {
    if (given != expected) {
        throw SimulationError(std::string("a sample hit needs ") + std::to_string(expected) + " " + what +
                                  " values, but " + std::to_string(given) + " were given",
                              false);
    }
}

}  // namespace

Simulation::Simulation(const BlockLibrary& library, std::vector<Array> parameters,
                       const Connections& connections, const SimulationLimits& limits)
    : library_(library), block_(library.blockName()) {
    block_.setParameters(std::move(parameters));
    ports_ = negotiate(library_, block_, connections);

    runMethod(library_, block_, setWorkWidthsCode);
    if (block_.workVectorCount() < 0) {
        throw SimulationError("block \"" + library_.blockName() +
                                  "\" left its number of work vectors undecided after mdlSetWorkWidths",
                              false);
    }
    if (const uint64_t needed = block_.workVectorBytes(); needed > limits.workVectorBytes) {
        throw WorkVectorLimitError(library_.blockName(), needed, limits.workVectorBytes);
    }
    try {
        block_.allocateWorkVectors();
        block_.allocateSignals();
    } catch (const HostError& error) {
        throw SimulationError(error.what(), false);
    }

    // From here on the block may own memory: release runs whatever happens.
    started_ = true;
    try {
        runMethod(library_, block_, startCode);
        runMethod(library_, block_, initializeConditionsCode);
    } catch (...) {
        release();
        throw;
    }
}

Simulation::~Simulation() { release(); }

void Simulation::release() noexcept {
    if (!started_) {
        return;
    }
    started_ = false;
    try {
        // Release stores no message; a message already in the slot stays.
        callMethod(library_, block_, releaseCode);
    } catch (...) {
        // Nothing left to report to: the simulation is over.
    }
}

void Simulation::step(std::span<const double> data, std::span<const double> delays, std::span<double> out) {
    const std::size_t stride = ports_.complex ? 2 : 1;
    checkSpan(data.size(), static_cast<std::size_t>(ports_.dataWidth) * stride, "data");
    checkSpan(delays.size(), static_cast<std::size_t>(ports_.delayWidth), "delay");
    checkSpan(out.size(), static_cast<std::size_t>(ports_.outputWidth) * stride, "output");
    if (!started_) {
        throw SimulationError("the simulation of block \"" + library_.blockName() + "\" has ended", false);
    }
    std::copy(data.begin(), data.end(), block_.inputData(0));
    std::copy(delays.begin(), delays.end(), block_.inputData(1));
    runMethod(library_, block_, computeOutputsCode, MethodArgs{.port = 0});
    const double* output = block_.outputData(0);
    std::copy(output, output + out.size(), out.begin());
}

}  // namespace vostrel
