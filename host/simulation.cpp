// The life cycle of one block after propagation: work widths and storage,
// start, initial conditions, one output call per sample hit, release.
#include "host/simulation.h"

#include <algorithm>

#include "host/method_runner.h"

namespace vostrel {
namespace {

template <typename Span>
void checkSpans(std::initializer_list<Span> given, const std::vector<SettledPort>& ports, const char* direction) {
    if (given.size() != ports.size()) {
        throw SimulationError("a sample hit needs one span per " + std::string(direction) + " port (" +
                                  std::to_string(ports.size()) + "), but " + std::to_string(given.size()) +
                                  " were given",
                              false);
    }
    std::size_t p = 0;
    for (const Span& span : given) {
        if (span.size() != ports[p].values()) {
            throw SimulationError("a sample hit needs " + std::to_string(ports[p].values()) + " values for " +
                                      direction + " port " + std::to_string(p) + ", but " +
                                      std::to_string(span.size()) + " were given",
                                  false);
        }
        ++p;
    }
}

}  // namespace

Simulation::Simulation(const BlockLibrary& library, std::vector<Array> parameters, const Connections& connections,
                       const SimulationLimits& limits)
    : library_(library), block_(library.blockName()) {
    block_.setParameters(std::move(parameters));
    ports_ = negotiate(library_, block_, connections);
    setWorkWidths(library_, block_);
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

std::span<double> Simulation::input(int32_t port) {
    double* storage = block_.inputData(port);
    return {storage, ports_.inputs[static_cast<std::size_t>(port)].values()};
}

std::span<const double> Simulation::output(int32_t port) const {
    const double* storage = block_.outputData(port);
    return {storage, ports_.outputs[static_cast<std::size_t>(port)].values()};
}

void Simulation::step() {
    if (!started_) {
        throw SimulationError("the simulation of block \"" + library_.blockName() + "\" has ended", false);
    }
    runMethod(library_, block_, computeOutputsCode, MethodArgs{.port = 0});
}

void Simulation::step(std::initializer_list<std::span<const double>> inputs,
                      std::initializer_list<std::span<double>> outputs) {
    checkSpans(inputs, ports_.inputs, "input");
    checkSpans(outputs, ports_.outputs, "output");
    int32_t p = 0;
    for (const std::span<const double> values : inputs) {
        std::copy(values.begin(), values.end(), input(p++).begin());
    }
    step();
    p = 0;
    for (const std::span<double> values : outputs) {
        const std::span<const double> result = output(p++);
        std::copy(result.begin(), result.end(), values.begin());
    }
}

}  // namespace vostrel
