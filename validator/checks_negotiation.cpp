// Propagation under random and invalid proposals: the block settles a
// consistent set or stores a message, never touches a port record it does
// not have, and answers the same proposals the same way twice.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "validator/checks.h"
#include "validator/harness.h"
#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

using vostrel::HostBlock;

struct Proposal {
    int32_t code;
    int32_t port;
    int32_t value;
    double period;
    double offset;
};

struct Trial {
    Scenario scenario;
    bool invalidParameters;
    std::vector<Proposal> proposals;
};

struct PortCounts {
    int32_t inputs = 0;
    int32_t outputs = 0;
};

// A value a correct host could propose: a port the block has, a positive
// width, real or complex, a sample time of a period above 0 (or +inf for a
// constant) and a finite offset.
bool isValid(const Proposal& p, const PortCounts& counts) {
    const bool output = p.code == 116 || p.code == 121 || p.code == 123;
    if (p.port < 0 || p.port >= (output ? counts.outputs : counts.inputs)) {
        return false;
    }
    switch (p.code) {
        case 115: case 116: return p.value >= 1;
        case 120: case 121: return p.value == 0 || p.value == 1;
        default: return p.period > 0.0 && std::isfinite(p.offset);
    }
}

Trial randomTrial(std::mt19937_64& random, const ScenarioSet& set, const PortCounts& counts) {
    auto pick = [&](const auto& options) { return options[random() % options.size()]; };
    Trial trial;
    trial.scenario = pick(set.scenarios);
    // Parameters the block refuses, when the set knows such.
    trial.invalidParameters = random() % 8 == 0 && set.refusedParameters.has_value();
    if (trial.invalidParameters) {
        trial.scenario.parameters = set.refusedParameters->parameters;
    }
    // Half the trials propose only what a correct host could.
    const bool validOnly = random() % 2 == 0 && counts.inputs + counts.outputs > 0;
    static const std::vector<int32_t> codes = {115, 116, 120, 121, 122, 123};
    static const std::vector<int32_t> ports = {0, 0, 0, 1, 1, -1, 2, 5, std::numeric_limits<int32_t>::min()};
    static const std::vector<int32_t> widths = {-1, 0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 64, -7,
                                                std::numeric_limits<int32_t>::max(),
                                                std::numeric_limits<int32_t>::min()};
    static const std::vector<int32_t> complexities = {-1, 0, 1, 2, -2};
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> periods = {-1.0, 0.0, 1.0, 1.0, 0.5, 2.0, inf, -inf, nan, 1e-300, -2.0};
    const std::vector<double> offsets = {0.0, 0.0, 0.25, -1.0, nan, inf};
    const std::size_t count = 1 + random() % 12;
    for (std::size_t i = 0; i < count; ++i) {
        Proposal proposal{};
        do {
            proposal.code = pick(codes);
            proposal.port = pick(ports);
            const bool complexity = proposal.code == 120 || proposal.code == 121;
            proposal.value = complexity ? pick(complexities) : pick(widths);
            proposal.period = pick(periods);
            proposal.offset = pick(offsets);
        } while (validOnly && !isValid(proposal, counts));
        trial.proposals.push_back(proposal);
    }
    return trial;
}

std::string describe(const Proposal& p) {
    std::ostringstream text;
    text << p.code << "(port " << p.port;
    if (p.code == 122 || p.code == 123) {
        text << ", period " << p.period << ", offset " << p.offset;
    } else {
        text << ", value " << p.value;
    }
    text << ")";
    return text.str();
}

// The port records of the record moved into arrays of the validator's own
// with one guard record on each side.
template <typename PortRecord>
class GuardedRecords {
public:
    GuardedRecords(PortRecord*& ports, int32_t count) {
        storage_.resize(static_cast<std::size_t>(count) + 2);
        std::memset(storage_.data(), 0xA5, storage_.size() * sizeof(PortRecord));
        if (ports != nullptr && count > 0) {
            std::memcpy(storage_.data() + 1, ports, static_cast<std::size_t>(count) * sizeof(PortRecord));
        }
        guard_ = storage_.front();
        ports = storage_.data() + 1;
        count_ = count;
    }
    bool intact() const {
        return std::memcmp(&storage_.front(), &guard_, sizeof(PortRecord)) == 0 &&
               std::memcmp(&storage_.back(), &guard_, sizeof(PortRecord)) == 0;
    }
    const PortRecord& operator[](int32_t i) const { return storage_[static_cast<std::size_t>(i) + 1]; }
    int32_t count() const { return count_; }

private:
    std::vector<PortRecord> storage_;
    PortRecord guard_{};
    int32_t count_ = 0;
};

// What the trial leaves: the message and every port's settled values.
struct Settlement {
    std::string message;
    std::string ports;
    std::string problem;  // a broken promise, empty when none
    bool complete = false;  // every port known and no message
};

std::string bitsOf(double value) { return std::to_string(std::bit_cast<uint64_t>(value)); }

// A complete settlement from valid proposals must either run or be refused
// with a message by the sample-time check or at start.
std::string runSettled(const vostrel::BlockLibrary& library, HostBlock& block) {
    BlockRecord& record = block.record();
    if (record.sizes[numInputPorts] > 0) {
        block.setSampleTime(record.inputPorts[0].samplePeriod, record.inputPorts[0].sampleOffset);
    }
    for (const double code : {101.0, 111.0}) {
        if (!vostrel::callMethod(library, block, code).empty()) {
            return {};
        }
    }
    block.allocateWorkVectors();
    for (const double code : {117.0, 102.0}) {
        if (!vostrel::callMethod(library, block, code).empty()) {
            vostrel::callMethod(library, block, 107);
            return {};
        }
    }
    constexpr int32_t largestPortRun = 1 << 16;  // the validator's own storage stays small
    bool tooWide = false;
    for (int32_t p = 0; p < record.sizes[numInputPorts]; ++p) {
        tooWide = tooWide || record.inputPorts[p].width > largestPortRun;
    }
    for (int32_t p = 0; p < record.sizes[numOutputPorts]; ++p) {
        tooWide = tooWide || record.outputPorts[p].width > largestPortRun;
    }
    if (tooWide) {
        vostrel::callMethod(library, block, 107);
        return {};
    }
    GuardedPorts ports(record);
    DirectCall outputs(library, record, 104);
    std::string problem;
    for (int frame = 0; frame < 4 && problem.empty(); ++frame) {
        ports.loadConstant(0.5);
        const std::string message = outputs();
        problem = message.empty() ? ports.problems() : "settled ports that the output call refuses: " + message;
    }
    vostrel::callMethod(library, block, 107);
    return problem.empty() ? problem : "after a settlement that started: " + problem;
}

bool validWidth(int32_t width) { return width >= -1; }
bool validComplexity(int32_t complexity) { return complexity >= -1 && complexity <= 1; }

Settlement runTrial(const vostrel::BlockLibrary& library, const Trial& trial, const ScenarioSet& set,
                    const PortCounts& counts) {
    Settlement settlement;
    HostBlock block(library.blockName());
    block.setParameters(trial.scenario.parameterArrays());
    const vostrel::SizeQueryResult registration = vostrel::registerBlock(library, block);
    BlockRecord& record = block.record();
    if (registration.abandoned) {
        settlement.message = registration.message;
        return settlement;
    }
    if (record.errorMessage != nullptr) {
        settlement.message = record.errorMessage;
        return settlement;
    }
    GuardedRecords<InputPortRecord> inputs(record.inputPorts, record.sizes[numInputPorts]);
    GuardedRecords<OutputPortRecord> outputs(record.outputPorts, record.sizes[numOutputPorts]);
    for (const Proposal& proposal : trial.proposals) {
        vostrel::MethodArgs args;
        args.port = proposal.port;
        args.value = proposal.value;
        args.period = proposal.period;
        args.offset = proposal.offset;
        const std::string message = vostrel::callMethod(library, block, proposal.code, args);
        if (!inputs.intact() || !outputs.intact()) {
            settlement.problem = describe(proposal) + " wrote outside the port records";
            return settlement;
        }
        if (!message.empty()) {
            settlement.message = message;  // the host stops at the first message
            break;
        }
    }
    std::ostringstream ports;
    for (int32_t p = 0; p < inputs.count(); ++p) {
        ports << "in" << p << ":" << inputs[p].width << "," << inputs[p].complexity << ","
              << bitsOf(inputs[p].samplePeriod) << "," << bitsOf(inputs[p].sampleOffset) << ";";
    }
    for (int32_t p = 0; p < outputs.count(); ++p) {
        ports << "out" << p << ":" << outputs[p].width << "," << outputs[p].complexity << ","
              << bitsOf(outputs[p].samplePeriod) << "," << bitsOf(outputs[p].sampleOffset) << ";";
    }
    settlement.ports = ports.str();
    const bool allValid = std::all_of(trial.proposals.begin(), trial.proposals.end(),
                                      [&](const Proposal& p) { return isValid(p, counts); });
    if (!settlement.message.empty() || inputs.count() != counts.inputs || outputs.count() != counts.outputs ||
        !allValid) {
        // Values a host should never propose may be stored as they come.
        return settlement;
    }
    // A settled set is consistent: every value one a port can hold, and
    // paired ports alike.
    bool complete = true;
    for (int32_t p = 0; p < inputs.count() && settlement.problem.empty(); ++p) {
        if (!validWidth(inputs[p].width) || !validComplexity(inputs[p].complexity)) {
            settlement.problem = "settled a width or complexity of input port " + std::to_string(p) +
                                 " outside the port values from valid proposals";
        }
        complete = complete && inputs[p].width >= 0 && inputs[p].complexity >= 0 && inputs[p].samplePeriod > 0.0;
    }
    for (int32_t p = 0; p < outputs.count() && settlement.problem.empty(); ++p) {
        if (!validWidth(outputs[p].width) || !validComplexity(outputs[p].complexity)) {
            settlement.problem = "settled a width or complexity of output port " + std::to_string(p) +
                                 " outside the port values from valid proposals";
        }
        complete = complete && outputs[p].width >= 0 && outputs[p].complexity >= 0;
    }
    for (const auto& [in, out] : set.pairedPorts) {
        if (!settlement.problem.empty() || in >= inputs.count() || out >= outputs.count()) {
            continue;
        }
        const std::string pair = "input port " + std::to_string(in) + " and output port " + std::to_string(out);
        if (inputs[in].width >= 0 && outputs[out].width >= 0 && inputs[in].width != outputs[out].width) {
            settlement.problem = "settled widths " + std::to_string(inputs[in].width) + " and " +
                                 std::to_string(outputs[out].width) + " on " + pair;
        } else if (inputs[in].complexity >= 0 && outputs[out].complexity >= 0 &&
                   inputs[in].complexity != outputs[out].complexity) {
            settlement.problem = "settled different complexity on " + pair;
        }
    }
    settlement.complete = complete && inputs.count() + outputs.count() > 0;
    if (settlement.complete && settlement.problem.empty()) {
        settlement.problem = runSettled(library, block);
    }
    return settlement;
}

std::string describe(const Trial& trial) {
    std::string text = trial.scenario.name + (trial.invalidParameters ? " with parameters it refuses" : "") + ":";
    for (const Proposal& proposal : trial.proposals) {
        text += " " + describe(proposal);
    }
    return text;
}

Outcome negotiationFuzz(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const ScenarioSet set = scenariosFor(*library, context.parameters);
    PortCounts counts;
    {
        HostBlock probe(library->blockName());
        probe.setParameters(set.scenarios.front().parameterArrays());
        const vostrel::SizeQueryResult registration = vostrel::registerBlock(*library, probe);
        if (registration.abandoned || probe.record().errorMessage != nullptr) {
            throw CheckSkipped("the block refuses registration with the validator's parameters: " +
                               (registration.abandoned ? registration.message : std::string(probe.record().errorMessage)));
        }
        counts = {probe.record().sizes[numInputPorts], probe.record().sizes[numOutputPorts]};
    }
    std::mt19937_64 random(context.seed);
    constexpr int trials = 300;
    int messages = 0;
    int settled = 0;
    int validTrials = 0;
    for (int t = 0; t < trials; ++t) {
        const Trial trial = randomTrial(random, set, counts);
        announceStage("trial " + std::to_string(t) + ": " + describe(trial));
        const Settlement first = runTrial(*library, trial, set, counts);
        if (!first.problem.empty()) {
            return Outcome::fail(describe(trial) + ": " + first.problem);
        }
        const Settlement second = runTrial(*library, trial, set, counts);
        if (first.message != second.message || first.ports != second.ports) {
            return Outcome::fail(describe(trial) + ": the same proposals gave different results the second time");
        }
        messages += first.message.empty() ? 0 : 1;
        settled += first.complete ? 1 : 0;
        validTrials += std::all_of(trial.proposals.begin(), trial.proposals.end(),
                                   [&](const Proposal& p) { return isValid(p, counts); })
                           ? 1
                           : 0;
    }
    return Outcome::pass(std::to_string(trials) + " random proposal sequences: " + std::to_string(messages) +
                         " refused with a message, " + std::to_string(settled) +
                         " settled every width, " + std::to_string(validTrials) +
                         " of only valid proposals checked for consistency; each the same twice");
}

}  // namespace

std::vector<Check> negotiationChecks() {
    return {
        {"negotiation.fuzz", "random and invalid proposals settle consistently or store a message, repeatably",
         negotiationFuzz},
    };
}

}  // namespace quorbelin::validator
