#include "validator/harness.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace quorbelin::validator {

std::vector<double> randomValues(std::mt19937_64& random, std::size_t count, double low, double high) {
    std::uniform_real_distribution<double> distribution(low, high);
    std::vector<double> values(count);
    for (double& value : values) {
        value = distribution(random);
    }
    return values;
}

std::size_t portValues(int32_t width, int32_t complexity) {
    return static_cast<std::size_t>(width < 0 ? 0 : width) * (complexity == COMPLEXITY_COMPLEX ? 2u : 1u);
}

std::vector<std::vector<double>> randomInputs(std::mt19937_64& random, const Scenario& scenario,
                                              const BlockRecord& record) {
    std::vector<std::vector<double>> inputs;
    for (int32_t p = 0; p < record.sizes[numInputPorts]; ++p) {
        const InputPortRecord& port = record.inputPorts[p];
        const ValueRange range = scenario.inputRange(static_cast<std::size_t>(p));
        inputs.push_back(randomValues(random, portValues(port.width, port.complexity), range.low, range.high));
    }
    return inputs;
}

double unwrittenMarker() { return std::bit_cast<double>(uint64_t{0x7FF80000DEAD0001}); }
double guardMarker() { return std::bit_cast<double>(uint64_t{0x7FF800006A617264}); }
bool sameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

GuardedPorts::Port GuardedPorts::makePort(int32_t width, int32_t complexity) {
    if (width < 0) {
        throw std::runtime_error("a port's width is still unknown");
    }
    Port port;
    port.stride = complexity == COMPLEXITY_COMPLEX ? 2 : 1;
    port.values = portValues(width, complexity);
    port.storage.assign(port.values + 2 * guardCount, guardMarker());
    return port;
}

GuardedPorts::GuardedPorts(BlockRecord& record) {
    const int32_t inputs = record.sizes[numInputPorts];
    const int32_t outputs = record.sizes[numOutputPorts];
    if ((inputs > 0 && record.inputPorts == nullptr) || (outputs > 0 && record.outputPorts == nullptr)) {
        throw std::runtime_error("the block declares ports without port records");
    }
    for (int32_t p = 0; p < inputs; ++p) {
        inputs_.push_back(makePort(record.inputPorts[p].width, record.inputPorts[p].complexity));
    }
    for (int32_t p = 0; p < outputs; ++p) {
        outputs_.push_back(makePort(record.outputPorts[p].width, record.outputPorts[p].complexity));
    }
    // Hooked in only once every port's storage exists: the vectors no
    // longer move.
    for (std::size_t p = 0; p < inputs_.size(); ++p) {
        Port& port = inputs_[p];
        for (std::size_t e = 0; e < port.values / port.stride; ++e) {
            port.elements.push_back(port.begin() + e * port.stride);
        }
        record.inputPorts[p].signal = port.elements.data();
    }
    for (std::size_t p = 0; p < outputs_.size(); ++p) {
        record.outputPorts[p].signal = outputs_[p].begin();
    }
}

void GuardedPorts::load(const std::vector<std::vector<double>>& inputs) {
    if (inputs.size() != inputs_.size()) {
        throw std::runtime_error("a frame for " + std::to_string(inputs.size()) + " input ports of " +
                                 std::to_string(inputs_.size()));
    }
    for (std::size_t p = 0; p < inputs_.size(); ++p) {
        Port& port = inputs_[p];
        if (inputs[p].size() != port.values) {
            throw std::runtime_error("a frame of " + std::to_string(inputs[p].size()) + " values for input port " +
                                     std::to_string(p) + " of " + std::to_string(port.values));
        }
        std::copy(inputs[p].begin(), inputs[p].end(), port.begin());
        port.loaded = port.storage;
    }
    for (Port& port : outputs_) {
        std::fill(port.begin(), port.begin() + port.values, unwrittenMarker());
    }
}

void GuardedPorts::loadConstant(double value) {
    std::vector<std::vector<double>> inputs;
    for (const Port& port : inputs_) {
        inputs.emplace_back(port.values, value);
    }
    load(inputs);
}

std::span<const double> GuardedPorts::output(std::size_t port) const {
    return {outputs_.at(port).begin(), outputs_.at(port).values};
}

std::vector<double> GuardedPorts::allOutputs() const {
    std::vector<double> values;
    for (const Port& port : outputs_) {
        values.insert(values.end(), port.begin(), port.begin() + port.values);
    }
    return values;
}

std::string GuardedPorts::guardProblem(const Port& port, const std::string& name) {
    for (std::size_t i = 0; i < guardCount; ++i) {
        if (!sameBits(port.storage[guardCount - 1 - i], guardMarker())) {
            return "wrote " + std::to_string(i + 1) + " value(s) before " + name;
        }
        if (!sameBits(port.storage[guardCount + port.values + i], guardMarker())) {
            return "wrote value " + std::to_string(i) + " past the end of " + name + " (" +
                   std::to_string(port.values) + " values)";
        }
    }
    return {};
}

std::string GuardedPorts::problems() const {
    for (std::size_t p = 0; p < inputs_.size(); ++p) {
        const std::string name = "input port " + std::to_string(p);
        if (std::string problem = guardProblem(inputs_[p], name); !problem.empty()) {
            return problem;
        }
        const Port& port = inputs_[p];
        if (port.loaded.size() == port.storage.size() &&
            std::memcmp(port.storage.data(), port.loaded.data(), port.storage.size() * sizeof(double)) != 0) {
            return "changed " + name;
        }
    }
    for (std::size_t p = 0; p < outputs_.size(); ++p) {
        const std::string name = "output port " + std::to_string(p);
        if (std::string problem = guardProblem(outputs_[p], name); !problem.empty()) {
            return problem;
        }
        for (std::size_t i = 0; i < outputs_[p].values; ++i) {
            if (sameBits(outputs_[p].begin()[i], unwrittenMarker())) {
                return "left value " + std::to_string(i) + " of " + std::to_string(outputs_[p].values) + " of " +
                       name + " unwritten";
            }
        }
    }
    return {};
}

DirectCall::DirectCall(const vostrel::BlockLibrary& library, BlockRecord& record, double code)
    : entry_(library.entry()), record_(record), flag_(vostrel::Array::scalar(code)) {}

std::string DirectCall::operator()() {
    record_.sizes[methodArgument] = 0;
    kvArray* leftSlots[2] = {nullptr, reinterpret_cast<kvArray*>(&record_)};
    // Arguments 1 to 3 are never read in a method call.
    const kvArray* rightArgs[4] = {flag_.get(), flag_.get(), flag_.get(), flag_.get()};
    entry_(-1, leftSlots, 4, rightArgs);
    const BlockRecord* root = record_.root != nullptr ? record_.root : &record_;
    return root->errorMessage != nullptr ? std::string(root->errorMessage) : std::string();
}

GuardedSimulation::GuardedSimulation(const vostrel::BlockLibrary& library, const Scenario& scenario)
    : scenario_(scenario),
      simulation_(library, scenario.parameterArrays(), scenario.connections),
      ports_(simulation_.block().record()),
      outputCall_(library, simulation_.block().record(), computeOutputsCode) {}

std::string GuardedSimulation::step(const std::vector<std::vector<double>>& inputs) {
    ports_.load(inputs);
    std::string message = outputCall_();
    if (!message.empty()) {
        return "the output call stored \"" + message + "\"";
    }
    return ports_.problems();
}

std::vector<std::vector<double>> GuardedSimulation::randomFrame(std::mt19937_64& random) {
    return randomInputs(random, scenario_, record());
}

std::vector<double> runScenario(const vostrel::BlockLibrary& library, const Scenario& scenario, uint64_t seed,
                                int32_t frames) {
    std::mt19937_64 random(seed);
    GuardedSimulation simulation(library, scenario);
    std::vector<double> outputs;
    for (int32_t frame = 0; frame < frames; ++frame) {
        const std::string problem = simulation.step(simulation.randomFrame(random));
        if (!problem.empty()) {
            throw std::runtime_error(scenario.name + ", frame " + std::to_string(frame) + ": " + problem);
        }
        const std::vector<double> values = simulation.ports().allOutputs();
        outputs.insert(outputs.end(), values.begin(), values.end());
    }
    return outputs;
}

}  // namespace quorbelin::validator
