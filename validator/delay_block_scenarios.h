// The built-in configurations of the delay block: its five parameters, its
// data and delay inputs, and the behaviours only it has (frame-size
// equivalence, delay clamping), which its own checks test.
#ifndef QUORBELIN_VALIDATOR_DELAY_BLOCK_SCENARIOS_H
#define QUORBELIN_VALIDATOR_DELAY_BLOCK_SCENARIOS_H

#include <cstdint>
#include <string>
#include <vector>

#include "validator/scenarios.h"

namespace quorbelin::validator {

inline constexpr const char* delayBlockName = "quorbelin";

// One configuration of the delay block and the signals connected to it.
struct DelayConfiguration {
    std::string name;
    double maxDelay = 8.0;
    int32_t filterRows = 0;  // 0: linear interpolation
    int32_t filterPhases = 0;
    double numChannels = 2.0;
    bool perChannel = false;
    int32_t dataWidth = 2;
    bool complex = false;
    double initialCondition = 0.0;

    int32_t channels() const { return numChannels == -1.0 ? dataWidth : static_cast<int32_t>(numChannels); }
    int32_t frameSize() const { return numChannels == -1.0 ? 1 : dataWidth / channels(); }
    int32_t delayWidth() const { return perChannel ? channels() : frameSize(); }
    std::size_t dataValues() const { return static_cast<std::size_t>(dataWidth) * (complex ? 2 : 1); }

    // maxDelay, interpFilter, initialConditions, numChannels,
    // perChannelDelay; the filter's phases sum to one. Delays are drawn
    // from [-1, maxDelay + 1) to cross both ends of the range.
    Scenario scenario() const;
};

// Configurations that together reach every path of the delay block: real
// and complex data, linear and FIR interpolation (odd and even tap counts),
// both delay modes, a channel per element, frames longer than the line.
std::vector<DelayConfiguration> delayBlockConfigurations();
ScenarioSet delayBlockScenarios();

}  // namespace quorbelin::validator

#endif
