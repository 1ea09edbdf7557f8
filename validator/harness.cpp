#include "cli/validate_harness.h"

#include <bit>
#include <cstring>
#include <stdexcept>

#include "bridge/block_record.h"

namespace quorbelin::cli::validate {

std::vector<Scenario> standardScenarios() {
    return {
        {.name = "real, linear, 2 channels of 4, per-sample delays",
         .maxDelay = 8, .numChannels = 2, .dataWidth = 8, .initialCondition = 0.5},
        {.name = "complex, linear, 3 channels of 2, per-channel delays",
         .maxDelay = 5, .numChannels = 3, .perChannel = true, .dataWidth = 6, .complex = true},
        {.name = "real, FIR 4 taps x 8 phases, 2 channels of 3, per-sample delays",
         .maxDelay = 10, .filterRows = 4, .filterPhases = 8, .numChannels = 2, .dataWidth = 6},
        {.name = "complex, FIR 5 taps x 4 phases, 2 channels of 5, per-channel delays",
         .maxDelay = 6, .filterRows = 5, .filterPhases = 4, .numChannels = 2, .perChannel = true, .dataWidth = 10,
         .complex = true},
        {.name = "real, linear, a channel per element of 5", .maxDelay = 4, .numChannels = -1, .dataWidth = 5},
        {.name = "real, FIR 3 taps x 2 phases, a frame of 16 on a line of 5",
         .maxDelay = 3, .filterRows = 3, .filterPhases = 2, .numChannels = 1, .dataWidth = 16},
    };
}

std::vector<vostrel::Array> parametersOf(const Scenario& scenario) {
    std::vector<vostrel::Array> parameters;
    parameters.push_back(vostrel::Array::scalar(scenario.maxDelay));
    if (scenario.filterRows == 0) {
        parameters.push_back(vostrel::Array::empty());
    } else {
        // Phase p weighs the two middle taps as linear interpolation at
        // fraction p / phases would; the others get a small symmetric part.
        const int32_t rows = scenario.filterRows;
        const int32_t phases = scenario.filterPhases;
        const int32_t half = rows / 2;
        std::vector<double> taps(static_cast<std::size_t>(rows) * static_cast<std::size_t>(phases), 0.0);
        for (int32_t p = 0; p < phases; ++p) {
            const double fraction = static_cast<double>(p) / phases;
            double* column = taps.data() + static_cast<std::ptrdiff_t>(p) * rows;
            for (int32_t t = 0; t < rows; ++t) {
                column[t] = 0.01 / (1 + t);
            }
            column[half > 0 ? half - 1 : 0] += 1.0 - fraction;
            column[half < rows ? half : rows - 1] += fraction;
        }
        parameters.push_back(vostrel::Array::matrix(rows, phases, std::move(taps)));
    }
    parameters.push_back(vostrel::Array::scalar(scenario.initialCondition));
    parameters.push_back(vostrel::Array::scalar(scenario.numChannels));
    parameters.push_back(vostrel::Array::scalar(scenario.perChannel ? 1.0 : 0.0));
    return parameters;
}

vostrel::Connections connectionsOf(const Scenario& scenario) {
    vostrel::Connections connections;
    connections.data = {scenario.dataWidth, scenario.complex ? 1 : 0, 1.0, 0.0};
    connections.delay = {scenario.delayWidth(), 0, 1.0, 0.0};
    return connections;
}

std::vector<double> randomValues(std::mt19937_64& random, std::size_t count, double low, double high) {
    std::uniform_real_distribution<double> distribution(low, high);
    std::vector<double> values(count);
    for (double& value : values) {
        value = distribution(random);
    }
    return values;
}

double unwrittenMarker() { return std::bit_cast<double>(uint64_t{0x7FF80000DEAD0001}); }
double guardMarker() { return std::bit_cast<double>(uint64_t{0x7FF800006A617264}); }
bool sameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

GuardedPorts::Port GuardedPorts::makePort(int32_t width, bool complex) {
    if (width < 0) {
        throw std::runtime_error("a port's width is still unknown");
    }
    Port port;
    port.stride = complex ? 2 : 1;
    port.values = static_cast<std::size_t>(width) * port.stride;
    port.storage.assign(port.values + 2 * guardCount, guardMarker());
    return port;
}

GuardedPorts::GuardedPorts(BlockRecord& record) {
    if (record.inputPorts == nullptr || record.outputPorts == nullptr || record.sizes[numInputPorts] < 2 ||
        record.sizes[numOutputPorts] < 1) {
        throw std::runtime_error("the block does not have the two inputs and the output the validator drives");
    }
    const InputPortRecord& data = record.inputPorts[0];
    const InputPortRecord& delays = record.inputPorts[1];
    const OutputPortRecord& output = record.outputPorts[0];
    data_ = makePort(data.width, data.complexity == COMPLEXITY_COMPLEX);
    delays_ = makePort(delays.width, delays.complexity == COMPLEXITY_COMPLEX);
    output_ = makePort(output.width, output.complexity == COMPLEXITY_COMPLEX);
    for (std::size_t e = 0; e < data_.values / data_.stride; ++e) {
        dataElements_.push_back(data_.begin() + e * data_.stride);
    }
    for (std::size_t e = 0; e < delays_.values / delays_.stride; ++e) {
        delayElements_.push_back(delays_.begin() + e * delays_.stride);
    }
    record.inputPorts[0].signal = dataElements_.data();
    record.inputPorts[1].signal = delayElements_.data();
    record.outputPorts[0].signal = output_.begin();
}

void GuardedPorts::load(std::span<const double> data, std::span<const double> delays) {
    if (data.size() != data_.values || delays.size() != delays_.values) {
        throw std::runtime_error("a frame of " + std::to_string(data.size()) + " data and " +
                                 std::to_string(delays.size()) + " delay values for ports of " +
                                 std::to_string(data_.values) + " and " + std::to_string(delays_.values));
    }
    std::copy(data.begin(), data.end(), data_.begin());
    std::copy(delays.begin(), delays.end(), delays_.begin());
    std::fill(output_.begin(), output_.begin() + output_.values, unwrittenMarker());
    loadedData_ = data_.storage;
    loadedDelays_ = delays_.storage;
}

std::span<const double> GuardedPorts::output() const { return {output_.begin(), output_.values}; }

std::string GuardedPorts::guardProblem(const Port& port, const char* name) {
    for (std::size_t i = 0; i < guardCount; ++i) {
        if (!sameBits(port.storage[guardCount - 1 - i], guardMarker())) {
            return std::string("wrote ") + std::to_string(i + 1) + " value(s) before " + name;
        }
        if (!sameBits(port.storage[guardCount + port.values + i], guardMarker())) {
            return std::string("wrote value ") + std::to_string(i) + " past the end of " + name + " (" +
                   std::to_string(port.values) + " values)";
        }
    }
    return {};
}

std::string GuardedPorts::problems() const {
    for (const auto& [port, name] : {std::pair{&data_, "input port 0"}, std::pair{&delays_, "input port 1"},
                                     std::pair{&output_, "output port 0"}}) {
        if (std::string problem = guardProblem(*port, name); !problem.empty()) {
            return problem;
        }
    }
    if (std::memcmp(data_.storage.data(), loadedData_.data(), data_.storage.size() * sizeof(double)) != 0) {
        return "changed input port 0";
    }
    if (std::memcmp(delays_.storage.data(), loadedDelays_.data(), delays_.storage.size() * sizeof(double)) != 0) {
        return "changed input port 1";
    }
    for (std::size_t i = 0; i < output_.values; ++i) {
        if (sameBits(output_.begin()[i], unwrittenMarker())) {
            return "left output value " + std::to_string(i) + " of " + std::to_string(output_.values) + " unwritten";
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
    : simulation_(library, parametersOf(scenario), connectionsOf(scenario)),
      ports_(simulation_.block().record()),
      outputCall_(library, simulation_.block().record(), 104) {}

std::string GuardedSimulation::step(std::span<const double> data, std::span<const double> delays) {
    ports_.load(data, delays);
    std::string message = outputCall_();
    if (!message.empty()) {
        return "the output call stored \"" + message + "\"";
    }
    return ports_.problems();
}

std::vector<double> runScenario(const vostrel::BlockLibrary& library, const Scenario& scenario, uint64_t seed,
                                int32_t frames) {
    std::mt19937_64 random(seed);
    GuardedSimulation simulation(library, scenario);
    std::vector<double> outputs;
    const double maxDelay = scenario.maxDelay;
    for (int32_t frame = 0; frame < frames; ++frame) {
        const std::vector<double> data = randomValues(random, scenario.dataValues(), -1.0, 1.0);
        const std::vector<double> delays =
            randomValues(random, static_cast<std::size_t>(scenario.delayWidth()), -1.0, maxDelay + 1.0);
        const std::string problem = simulation.step(data, delays);
        if (!problem.empty()) {
            throw std::runtime_error(scenario.name + ", frame " + std::to_string(frame) + ": " + problem);
        }
        outputs.insert(outputs.end(), simulation.output().begin(), simulation.output().end());
    }
    return outputs;
}

}  // namespace quorbelin::cli::validate
