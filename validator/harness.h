// What the validator's checks share: host arrays and random inputs for a
// scenario, port storage of the validator's own with guard values around
// it, and the output call made directly, without the host's per-call
// book-keeping (which allocates), so that whatever happens during it is the
// block's doing.
#ifndef QUORBELIN_VALIDATOR_HARNESS_H
#define QUORBELIN_VALIDATOR_HARNESS_H

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "host/simulation.h"
#include "host/vostrel_host.h"
#include "validator/scenarios.h"

namespace quorbelin::validator {

// Uniform doubles in [low, high).
std::vector<double> randomValues(std::mt19937_64& random, std::size_t count, double low, double high);

// One frame of random values for every input port of a settled record,
// each from its scenario range.
std::vector<std::vector<double>> randomInputs(std::mt19937_64& random, const Scenario& scenario,
                                              const BlockRecord& record);

// NaNs with payloads the block cannot produce from finite inputs: outputs are
// pre-filled with `unwritten`, the storage around every port holds `guard`.
double unwrittenMarker();
double guardMarker();
bool sameBits(double a, double b);

// Doubles a settled port's signal takes (pairs when complex).
std::size_t portValues(int32_t width, int32_t complexity);

// Storage of the validator's own for every port of a record whose widths
// are settled, with guard values on both sides, hooked into the record in
// place of the host's.
class GuardedPorts {
public:
    explicit GuardedPorts(BlockRecord& record);
    GuardedPorts(const GuardedPorts&) = delete;
    GuardedPorts& operator=(const GuardedPorts&) = delete;

    // Copies one frame's values into the inputs (one vector per input port)
    // and pre-fills the outputs with the unwritten marker.
    void load(const std::vector<std::vector<double>>& inputs);
    // Every input port filled with `value`.
    void loadConstant(double value);
    std::span<const double> output(std::size_t port) const;
    std::size_t inputCount() const { return inputs_.size(); }
    std::size_t outputCount() const { return outputs_.size(); }
    // Every output port's values, one after the other.
    std::vector<double> allOutputs() const;
    // Empty when every output value was written, no guard was touched and
    // the inputs are as loaded; otherwise what went wrong.
    std::string problems() const;

private:
    static constexpr std::size_t guardCount = 16;
    struct Port {
        std::vector<double> storage;  // guard, values, guard
        std::size_t values = 0;
        std::size_t stride = 1;
        std::vector<const double*> elements;  // inputs: one reference per element
        std::vector<double> loaded;           // inputs: the storage as loaded
        double* begin() { return storage.data() + guardCount; }
        const double* begin() const { return storage.data() + guardCount; }
    };
    static Port makePort(int32_t width, int32_t complexity);
    static std::string guardProblem(const Port& port, const std::string& name);

    std::vector<Port> inputs_;
    std::vector<Port> outputs_;
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
    // storage; empty when the frame went well. The outputs are in ports().
    std::string step(const std::vector<std::vector<double>>& inputs);
    // A frame of random inputs from the scenario's ranges.
    std::vector<std::vector<double>> randomFrame(std::mt19937_64& random);
    BlockRecord& record() { return simulation_.block().record(); }
    DirectCall& outputCall() { return outputCall_; }
    GuardedPorts& ports() { return ports_; }

private:
    Scenario scenario_;
    vostrel::Simulation simulation_;
    GuardedPorts ports_;
    DirectCall outputCall_;
};

// Runs a scenario over `frames` frames of random inputs from the seed and
// returns every output value in order (the block's message or a storage
// problem makes it throw std::runtime_error).
std::vector<double> runScenario(const vostrel::BlockLibrary& library, const Scenario& scenario, uint64_t seed,
                                int32_t frames);

}  // namespace quorbelin::validator

#endif
