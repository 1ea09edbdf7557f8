#include "validator/delay_block_scenarios.h"

namespace quorbelin::validator {

Scenario DelayConfiguration::scenario() const {
    Scenario result;
    result.name = name;
    result.parameters.push_back(ParameterValue::scalar(maxDelay));
    if (filterRows == 0) {
        result.parameters.push_back({0, 0, {}});
    } else {
        // Phase p weighs the two middle taps as linear interpolation at
        // fraction p / phases would; the others get a small symmetric part.
        const int32_t rows = filterRows;
        const int32_t half = rows / 2;
        std::vector<double> taps(static_cast<std::size_t>(rows) * static_cast<std::size_t>(filterPhases), 0.0);
        for (int32_t p = 0; p < filterPhases; ++p) {
            const double fraction = static_cast<double>(p) / filterPhases;
            double* column = taps.data() + static_cast<std::ptrdiff_t>(p) * rows;
            for (int32_t t = 0; t < rows; ++t) {
                column[t] = 0.01 / (1 + t);
            }
            column[half > 0 ? half - 1 : 0] += 1.0 - fraction;
            column[half < rows ? half : rows - 1] += fraction;
        }
        result.parameters.push_back({rows, filterPhases, std::move(taps)});
    }
    result.parameters.push_back(ParameterValue::scalar(initialCondition));
    result.parameters.push_back(ParameterValue::scalar(numChannels));
    result.parameters.push_back(ParameterValue::scalar(perChannel ? 1.0 : 0.0));
    result.connections.inputs = {vostrel::PortSignal::source(dataWidth, complex, 1.0),
                                 vostrel::PortSignal::source(delayWidth(), false, 1.0)};
    result.inputRanges = {{-1.0, 1.0}, {-1.0, maxDelay + 1.0}};
    return result;
}

std::vector<DelayConfiguration> delayBlockConfigurations() {
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

ScenarioSet delayBlockScenarios() {
    ScenarioSet set;
    for (const DelayConfiguration& configuration : delayBlockConfigurations()) {
        set.scenarios.push_back(configuration.scenario());
    }
    // Three initial values for two channels: start allocates its record of
    // their shape, then refuses them.
    Scenario refused = set.scenarios.front();
    refused.name = "a start refused for its initial conditions";
    refused.parameters[2] = {1, 3, {1.0, 2.0, 3.0}};
    set.refusedStart = std::move(refused);
    Scenario noChannels = set.scenarios.front();
    noChannels.name = "no channels";
    noChannels.parameters[3] = ParameterValue::scalar(0.0);
    set.refusedParameters = std::move(noChannels);
    set.pairedPorts = {{0, 0}};
    return set;
}

}  // namespace quorbelin::validator
