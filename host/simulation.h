// A whole simulation of one block in the stand-in host: registration,
// propagation of widths, complexity and sample times from what is connected,
// the sample-time check, work widths and storage, start, initial conditions,
// one output call per sample hit, and release. Any block: ports are known by
// index, as many as the block declares.
#ifndef QUORBELIN_HOST_SIMULATION_H
#define QUORBELIN_HOST_SIMULATION_H

#include <cstdint>
#include <initializer_list>
#include <limits>
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

    // A signal source: everything known.
    static PortSignal source(int32_t width, bool complex, double period, double offset = 0.0) {
        return {width, complex ? 1 : 0, period, offset};
    }
    // A constant: a sample time of +inf.
    static PortSignal constant(int32_t width, bool complex) {
        return {width, complex ? 1 : 0, std::numeric_limits<double>::infinity(), 0.0};
    }
    // A port of another block whose width is settled, and nothing else yet.
    static PortSignal settledWidth(int32_t width) { return {width, -1, -1.0, 0.0}; }
};

// Connections by port index: inputs[p] feeds input port p, one for each
// input port the block declares; outputs[p] is what output port p feeds,
// when known (output ports beyond the list feed nothing known).
struct Connections {
    std::vector<PortSignal> inputs{};
    std::vector<PortSignal> outputs{};
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

// One port as settled by propagation.
struct SettledPort {
    int32_t width = 0;
    bool complex = false;
    double period = 0.0;
    double offset = 0.0;

    // Doubles the port's signal takes: width, or width pairs when complex.
    std::size_t values() const { return static_cast<std::size_t>(width) * (complex ? 2u : 1u); }
};

struct SettledPorts {
    std::vector<SettledPort> inputs;
    std::vector<SettledPort> outputs;
};

// Registers the block on the record (the record's parameters must be set)
// and propagates widths, complexity and sample times from the connections,
// reading the error slot after every call; refuses a port left unknown;
// then runs mdlCheckSampleTimes and fills the sample-time table with input
// port 0's settled time (output port 0's for a block without inputs).
//
// Proposals go widths first, then complexity, then sample times; within
// each, the input ports in index order, then the output ports. A property
// the declaration fixed (a real-only port, a fixed width or period) takes
// no proposal; a connected signal that contradicts it is refused. Throws
// SimulationError: fromBlock() for a message the block stored or abandoned
// its size query with, otherwise the host's own refusal (invalid connection
// values, a connection count that does not match the declared ports, a port
// still unknown).
SettledPorts negotiate(const BlockLibrary& library, HostBlock& block, const Connections& connections);

// mdlSetWorkWidths on a negotiated record; refuses (SimulationError) a
// message of the block and a number of work vectors left undecided. The
// declared work vectors are then in the record, not yet allocated.
void setWorkWidths(const BlockLibrary& library, HostBlock& block);

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

    // The storage of input port p for the next sample hit, and of output
    // port p after it: ports().inputs[p].values() doubles, (real, imaginary)
    // pairs when complex. Valid for the simulation's life. HostError for a
    // port the block does not have.
    std::span<double> input(int32_t port);
    std::span<const double> output(int32_t port) const;

    // One sample hit on what the input storage holds now. Throws
    // SimulationError on a stored message or once the simulation has ended.
    void step();
    // One sample hit that copies inputs[p] into input port p and output port
    // p into outputs[p]; one span per port, each of the port's size
    // (SimulationError otherwise, before the block is called).
    void step(std::initializer_list<std::span<const double>> inputs,
              std::initializer_list<std::span<double>> outputs);

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
