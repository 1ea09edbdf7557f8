// A whole simulation of one block in the stand-in host: registration,
// propagation of widths, complexity and sample times from what is connected,
// the sample-time check, work widths and storage, start, initial conditions,
// one output call per sample hit, and release.
#ifndef QUORBELIN_HOST_SIMULATION_H
#define QUORBELIN_HOST_SIMULATION_H

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/vostrel_host.h"

namespace vostrel {

// What feeds an input port, or what an output port feeds. A width of -1, a
// complexity of -1 or a period of -1.0 means "not known from this side".
struct PortSignal {
    int32_t width = -1;
    int32_t complexity = -1;  // -1 unknown, 0 real, 1 complex
    double period = -1.0;     // +inf: constant
    double offset = 0.0;
};

struct Connections {
    PortSignal data{};                   // feeds input port 0
    PortSignal delay{};                  // feeds input port 1
    std::optional<PortSignal> output{};  // what output port 0 feeds, when known
};

// A simulation that stopped: with the block's own message (fromBlock) or
// with the host's.
class SimulationError : public std::runtime_error {
public:
    SimulationError(const std::string& message, bool fromBlock)
        : std::runtime_error(message), fromBlock_(fromBlock) {}
    bool fromBlock() const { return fromBlock_; }

private:
    bool fromBlock_;
};

// Bounds a simulation keeps to before it allocates the block's storage.
struct SimulationLimits {
    // All work vectors together, in bytes.
    uint64_t workVectorBytes = std::numeric_limits<uint64_t>::max();
};

// The block declared work vectors beyond SimulationLimits::workVectorBytes;
// nothing was allocated.
class WorkVectorLimitError : public SimulationError {
public:
    WorkVectorLimitError(const std::string& blockName, uint64_t needed, uint64_t limit)
        : SimulationError("the work vectors of block \"" + blockName + "\" need " + std::to_string(needed) +
                              " bytes, more than the limit of " + std::to_string(limit) + " bytes",
                          false),
          needed_(needed), limit_(limit) {}
    uint64_t needed() const { return needed_; }
    uint64_t limit() const { return limit_; }

private:
    uint64_t needed_;
    uint64_t limit_;
};

// The ports as settled by propagation.
struct SettledPorts {
    int32_t dataWidth = 0;
    int32_t delayWidth = 0;
    int32_t outputWidth = 0;
    bool complex = false;
    double period = 0.0;  // of the data port; also sampleTimes[0]
    double offset = 0.0;
};

// Registers the block on the record (the record's parameters must be set)
// and propagates widths, complexity and sample times from the connections,
// reading the error slot after every call; refuses a port left unknown;
// then runs mdlCheckSampleTimes and fills the sample-time table with the
// data port's settled time. Proposals go widths first, then complexity, then
// sample times; the data port, then the delay port, then the output. A
// fixed-complexity port (the real delay port) takes no proposal; a signal
// that contradicts it is refused. Throws SimulationError: fromBlock() for a
// message the block stored or abandoned its size query with, otherwise the
// host's own refusal (invalid connection values, ports not declared as
// expected, a port still unknown).
SettledPorts negotiate(const BlockLibrary& library, HostBlock& block, const Connections& connections);

class Simulation {
public:
    // Runs the life cycle up to and including the initial conditions:
    // negotiate, mdlSetWorkWidths, zero-filled work vectors and port
    // signals, mdlStart, mdlInitializeConditions. Throws SimulationError
    // (storage that cannot be allocated is the host's refusal), and
    // WorkVectorLimitError before allocating work vectors beyond the limit;
    // release has run when start had run. The library must outlive the
    // simulation.
    Simulation(const BlockLibrary& library, std::vector<Array> parameters,
               const Connections& connections, const SimulationLimits& limits = {});
    // Runs release.
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    const SettledPorts& ports() const { return ports_; }

    // One sample hit. data: dataWidth values, interleaved (real, imaginary)
    // pairs when complex; delays: delayWidth values; out receives outputWidth
    // values (pairs when complex). Throws SimulationError on a stored message
    // or on spans of the wrong size.
    void step(std::span<const double> data, std::span<const double> delays, std::span<double> out);

    HostBlock& block() { return block_; }

private:
    // Runs mdlRelease once, if start has run.
    void release() noexcept;

    const BlockLibrary& library_;
    HostBlock block_;
    SettledPorts ports_;
    bool started_ = false;
};

}  // namespace vostrel

#endif
