// The configurations the validator runs a block in: parameter values, the
// signals connected to its input ports and the range of the random values
// fed to each. They come from the block itself: its size query declares how
// many parameters it takes and what its ports are, the user gives the
// parameter values, and the validator connects signals that fit the
// declaration. A block it recognises by name brings a built-in set instead.
#ifndef QUORBELIN_VALIDATOR_SCENARIOS_H
#define QUORBELIN_VALIDATOR_SCENARIOS_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace quorbelin::validator {

// One real parameter value: a rows x columns matrix, column-major.
struct ParameterValue {
    int32_t rows = 1;
    int32_t columns = 1;
    std::vector<double> values;

    static ParameterValue scalar(double value) { return {1, 1, {value}}; }
    vostrel::Array toArray() const;
    // "ROWSxCOLUMNS:v,v,..." with every value exact, and back (nothing for a
    // malformed text); how values travel to a check's own process.
    std::string serialized() const;
    static std::optional<ParameterValue> parse(const std::string& text);
};

// Random inputs are drawn uniformly from [low, high).
struct ValueRange {
    double low = -1.0;
    double high = 1.0;
};

struct Scenario {
    std::string name;
    std::vector<ParameterValue> parameters;
    vostrel::Connections connections;
    std::vector<ValueRange> inputRanges;  // per input port; a missing one is [-1, 1)

    std::vector<vostrel::Array> parameterArrays() const;
    ValueRange inputRange(std::size_t port) const;
};

struct ScenarioSet {
    std::vector<Scenario> scenarios;
    // Parameters the block accepts at registration and refuses at start,
    // after it may have allocated: release must free that memory too. Only
    // a built-in set knows such values.
    std::optional<Scenario> refusedStart;
    // Parameters the block refuses when it registers.
    std::optional<Scenario> refusedParameters;
    // Input port p and output port q that always settle on the same width
    // and complexity (the block's own promise, known for built-in sets).
    std::vector<std::pair<int32_t, int32_t>> pairedPorts;
};

// The block names that bring a built-in scenario set.
bool hasBuiltInScenarios(const std::string& blockName);

// The scenarios for a check: the built-in set when no parameter values were
// given and the block is known by name; otherwise configurations fitted to
// the ports the block declares for the given values, kept only when the
// block runs them. Throws CheckSkipped (checks.h) when there is none, with
// the reason.
ScenarioSet scenariosFor(const vostrel::BlockLibrary& library,
                         const std::optional<std::vector<ParameterValue>>& parameters);

}  // namespace quorbelin::validator

#endif
