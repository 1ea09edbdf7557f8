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

#include "cli/validate_checks.h"
#include "cli/validate_harness.h"
#include "cli/validate_isolation.h"

namespace quorbelin::cli::validate {
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

// A value a correct host could propose: a port the block has, a positive
// width, real or complex, a sample time of a period above 0 (or +inf for a
// constant) and a finite offset.
bool isValid(const Proposal& p) {
    const bool output = p.code == 116 || p.code == 121 || p.code == 123;
    if (p.port < 0 || p.port > (output ? 0 : 1)) {
        return false;
    }
    switch (p.code) {
        case 115: case 116: return p.value >= 1;
        case 120: case 121: return p.value == 0 || p.value == 1;
        default: return p.period > 0.0 && std::isfinite(p.offset);
    }
}

Trial randomTrial(std::mt19937_64& random) {
    const std::vector<Scenario> scenarios = standardScenarios();
    auto pick = [&](const auto& options) { return options[random() % options.size()]; };
    Trial trial;
    trial.scenario = pick(scenarios);
    trial.invalidParameters = random() % 8 == 0;
    // Half the trials propose only what a correct host could.
    const bool validOnly = random() % 2 == 0;
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
        } while (validOnly && !isValid(proposal));
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
    block.setSampleTime(record.inputPorts[0].samplePeriod, record.inputPorts[0].sampleOffset);
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
    if (record.inputPorts[0].width > largestPortRun || record.inputPorts[1].width > largestPortRun ||
        record.outputPorts[0].width > largestPortRun) {
        vostrel::callMethod(library, block, 107);
        return {};
    }
    GuardedPorts ports(record);
    const std::size_t dataValues = static_cast<std::size_t>(record.inputPorts[0].width) *
                                   (record.inputPorts[0].complexity == COMPLEXITY_COMPLEX ? 2 : 1);
    const std::size_t delayValues = static_cast<std::size_t>(record.inputPorts[1].width) *
                                    (record.inputPorts[1].complexity == COMPLEXITY_COMPLEX ? 2 : 1);
    DirectCall outputs(library, record, 104);
    std::string problem;
    for (int frame = 0; frame < 4 && problem.empty(); ++frame) {
        ports.load(std::vector<double>(dataValues, 0.5), std::vector<double>(delayValues, 1.25));
        const std::string message = outputs();
        problem = message.empty() ? ports.problems() : "settled ports that the output call refuses: " + message;
    }
    vostrel::callMethod(library, block, 107);
    return problem.empty() ? problem : "after a settlement that started: " + problem;
}

Settlement runTrial(const vostrel::BlockLibrary& library, const Trial& trial) {
    Settlement settlement;
    HostBlock block(library.blockName());
    std::vector<vostrel::Array> parameters = parametersOf(trial.scenario);
    if (trial.invalidParameters) {
        parameters[3] = vostrel::Array::scalar(0.0);  // no channel count is 0
    }
    block.setParameters(std::move(parameters));
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
    const bool allValid = std::all_of(trial.proposals.begin(), trial.proposals.end(), isValid);
    if (!settlement.message.empty() || inputs.count() < 2 || outputs.count() < 1 || !allValid) {
        // Values a host should never propose may be stored as they come.
        return settlement;
    }
    // A settled set is consistent: the output follows the data port. (What
    // the host proposes for the delay port is the host's affair.)
    const InputPortRecord& data = inputs[0];
    const InputPortRecord& delays = inputs[1];
    const OutputPortRecord& output = outputs[0];
    if (data.width >= 0 && output.width >= 0 && data.width != output.width) {
        settlement.problem = "settled a data width of " + std::to_string(data.width) + " with an output width of " +
                             std::to_string(output.width);
    } else if (data.complexity >= 0 && output.complexity >= 0 && data.complexity != output.complexity) {
        settlement.problem = "settled different complexity on the data port and the output";
    } else if (data.width < -1 || output.width < -1 || delays.width < -1 || data.complexity < -1 ||
               delays.complexity < -1 || delays.complexity > 1 ||
               data.complexity > 1 || output.complexity < -1 || output.complexity > 1) {
        settlement.problem = "settled a width or complexity outside the port values from valid proposals";
    }
    settlement.complete = data.width >= 0 && delays.width >= 0 && output.width >= 0 && data.complexity >= 0 &&
                          output.complexity >= 0 && delays.complexity >= 0 && data.samplePeriod > 0.0;
    if (settlement.complete && settlement.problem.empty()) {
        settlement.problem = runSettled(library, block);
    }
    return settlement;
}

std::string describe(const Trial& trial) {
    std::string text = trial.scenario.name + (trial.invalidParameters ? " with numChannels 0" : "") + ":";
    for (const Proposal& proposal : trial.proposals) {
        text += " " + describe(proposal);
    }
    return text;
}

Outcome negotiationFuzz(const CheckContext& context) {
    const auto library = loadForCheck(context);
    {
        HostBlock probe(library->blockName());
        probe.setParameters(parametersOf(standardScenarios().front()));
        const vostrel::SizeQueryResult registration = vostrel::registerBlock(*library, probe);
        if (registration.abandoned || probe.record().errorMessage != nullptr) {
            throw CheckSkipped("the block refuses registration with the validator's parameters: " +
                               (registration.abandoned ? registration.message : std::string(probe.record().errorMessage)));
        }
    }
    std::mt19937_64 random(context.seed);
    constexpr int trials = 300;
    int messages = 0;
    int settled = 0;
    int validTrials = 0;
    for (int t = 0; t < trials; ++t) {
        const Trial trial = randomTrial(random);
        announceStage("trial " + std::to_string(t) + ": " + describe(trial));
        const Settlement first = runTrial(*library, trial);
        if (!first.problem.empty()) {
            return Outcome::fail(describe(trial) + ": " + first.problem);
        }
        const Settlement second = runTrial(*library, trial);
        if (first.message != second.message || first.ports != second.ports) {
            return Outcome::fail(describe(trial) + ": the same proposals gave different results the second time");
        }
        messages += first.message.empty() ? 0 : 1;
        settled += first.complete ? 1 : 0;
        validTrials += std::all_of(trial.proposals.begin(), trial.proposals.end(), isValid) ? 1 : 0;
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

}  // namespace quorbelin::cli::validate
