// What the validator's checks share: the block configurations they run, host
// arrays for their parameters, port storage of the validator's own with
// guard values around it, and the output call made directly, without the
// host's per-call book-keeping (which allocates), so that whatever happens
// during it is the block's doing.
#ifndef QUORBELIN_CLI_VALIDATE_HARNESS_H
#define QUORBELIN_CLI_VALIDATE_HARNESS_H

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace quorbelin::cli::validate {

// One configuration of a delay block with the five parameters of this host's
// delay blocks, and the signals connected to it.
struct Scenario {
    std::string name;
    double maxDelay = 8.0;
    int32_t filterRows = 0;  // 0: linear interpolation
    int32_t filterPhases = 0;
    double numChannels = 2.0;
    bool perChannel = false;
    int32_t dataWidth = 2;
    bool complex = false;
    double initialCondition = 0.0;

    // Dmax as the block derives it (every scenario uses a whole number).
    int32_t maxDelaySamples() const { return static_cast<int32_t>(maxDelay); }
    int32_t channels() const { return numChannels == -1.0 ? dataWidth : static_cast<int32_t>(numChannels); }
    int32_t frameSize() const { return numChannels == -1.0 ? 1 : dataWidth / channels(); }
    int32_t delayWidth() const { return perChannel ? channels() : frameSize(); }
    std::size_t dataValues() const { return static_cast<std::size_t>(dataWidth) * (complex ? 2 : 1); }
};

// The scenarios that together reach every path of a delay block: real and
// complex data, linear and FIR interpolation (odd and even tap counts), both
// delay modes, a channel per element, frames longer than the delay line.
std::vector<Scenario> standardScenarios();

// The parameter values in their order: maxDelay, interpFilter, initial
// conditions, numChannels, perChannelDelay. The filter's phases sum to one.
std::vector<vostrel::Array> parametersOf(const Scenario& scenario);
vostrel::Connections connectionsOf(const Scenario& scenario);

// Uniform doubles in [low, high).
std::vector<double> randomValues(std::mt19937_64& random, std::size_t count, double low, double high);

// NaNs with payloads the block cannot produce from finite inputs: outputs are
// pre-filled with `unwritten`, the storage around every port holds `guard`.
double unwrittenMarker();
double guardMarker();
bool sameBits(double a, double b);

// Storage of the validator's own for input ports 0 and 1 and output port 0
// of a record whose widths are settled, with guard values on both sides, hooked
// into the record in place of the host's.
class GuardedPorts {
public:
    explicit GuardedPorts(BlockRecord& record);
    GuardedPorts(const GuardedPorts&) = delete;
    GuardedPorts& operator=(const GuardedPorts&) = delete;

    // Copies the frame's values in and pre-fills the outputs with the
    // unwritten marker.
    void load(std::span<const double> data, std::span<const double> delays);
    std::span<const double> output() const;
    // Empty when every output value was written, no guard was touched and
    // the inputs are as loaded; otherwise what went wrong.
    std::string problems() const;

private:
    static constexpr std::size_t guardCount = 16;
    struct Port {
        std::vector<double> storage;  // guard, values, guard
        std::size_t values = 0;
        std::size_t stride = 1;
        double* begin() { return storage.data() + guardCount; }
        const double* begin() const { return storage.data() + guardCount; }
    };
    static Port makePort(int32_t width, bool complex);
    static std::string guardProblem(const Port& port, const char* name);

    Port data_;
    Port delays_;
    Port output_;
    std::vector<const double*> dataElements_;
    std::vector<const double*> delayElements_;
    std::vector<double> loadedData_;
    std::vector<double> loadedDelays_;
};

// A method call made straight into the entry point with the record in
// left-hand slot 1, outside the host's call wrapper. Returns the message the
// block stored (empty: none); a block that abandons the call makes it throw.
class DirectCall {
public:
    DirectCall(const vostrel::BlockLibrary& library, BlockRecord& record, double code);
    std::string operator()();

private:
    vostrel::KivFunction entry_;
    BlockRecord& record_;
    vostrel::Array flag_;
};

// A running simulation of a scenario with guarded ports, stepped through
// direct output calls.
class GuardedSimulation {
public:
    GuardedSimulation(const vostrel::BlockLibrary& library, const Scenario& scenario);
    // One frame: returns the block's message, or what went wrong with the
    // storage; empty when the frame went well. The outputs are in output().
    std::string step(std::span<const double> data, std::span<const double> delays);
    std::span<const double> output() const { return ports_.output(); }
    BlockRecord& record() { return simulation_.block().record(); }
    DirectCall& outputCall() { return outputCall_; }
    GuardedPorts& ports() { return ports_; }

private:
    vostrel::Simulation simulation_;
    GuardedPorts ports_;
    DirectCall outputCall_;
};

// Runs a scenario over `frames` frames of random data and delays from the
// seed and returns every output value in order (the block's message or a
// storage problem makes it throw std::runtime_error).
std::vector<double> runScenario(const vostrel::BlockLibrary& library, const Scenario& scenario, uint64_t seed,
                                int32_t frames);

}  // namespace quorbelin::cli::validate

#endif
