// Behaviours only the delay block has: the frame size irrelevant to the
// result of per-sample delays, and delays of every kind clamped as it
// promises.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "validator/checks.h"
#include "validator/delay_block_scenarios.h"
#include "validator/harness.h"
#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

// Channel signals and per-sample delays of `samples` samples, fed in frames
// of `frameSize`; returns each channel's output, channel after channel.
std::vector<double> delayedInFrames(const vostrel::BlockLibrary& library, DelayConfiguration scenario, int32_t frameSize,
                                    const std::vector<std::vector<double>>& channels, const std::vector<double>& delays) {
    const int32_t channelCount = static_cast<int32_t>(channels.size());
    const std::size_t stride = scenario.complex ? 2 : 1;
    const std::size_t samples = delays.size();
    scenario.numChannels = channelCount;
    scenario.perChannel = false;
    scenario.dataWidth = channelCount * frameSize;
    const auto simulation = startScenario(library, scenario.scenario());
    std::vector<double> result(channels.size() * samples * stride);
    std::vector<double> frame(static_cast<std::size_t>(scenario.dataWidth) * stride);
    for (std::size_t start = 0; start < samples; start += static_cast<std::size_t>(frameSize)) {
        for (int32_t c = 0; c < channelCount; ++c) {
            for (int32_t s = 0; s < frameSize; ++s) {
                for (std::size_t part = 0; part < stride; ++part) {
                    frame[(static_cast<std::size_t>(c * frameSize + s)) * stride + part] =
                        channels[static_cast<std::size_t>(c)][(start + static_cast<std::size_t>(s)) * stride + part];
                }
            }
        }
        const std::span<const double> frameDelays(delays.data() + start, static_cast<std::size_t>(frameSize));
        const std::string problem =
            simulation->step({frame, std::vector<double>(frameDelays.begin(), frameDelays.end())});
        if (!problem.empty()) {
            throw std::runtime_error("frame size " + std::to_string(frameSize) + ": " + problem);
        }
        const std::span<const double> output = simulation->ports().output(0);
        for (int32_t c = 0; c < channelCount; ++c) {
            for (int32_t s = 0; s < frameSize; ++s) {
                for (std::size_t part = 0; part < stride; ++part) {
                    result[(static_cast<std::size_t>(c) * samples + start + static_cast<std::size_t>(s)) * stride +
                           part] = output[static_cast<std::size_t>(c * frameSize + s) * stride + part];
                }
            }
        }
    }
    return result;
}

Outcome frameEquivalence(const CheckContext& context) {
    const auto library = loadForCheck(context);
    std::mt19937_64 random(context.seed);
    constexpr std::size_t samples = 7 * 64 * 2;
    const std::vector<DelayConfiguration> configurations = {
        {.name = "real, linear", .maxDelay = 12},
        {.name = "real, FIR 6 taps x 8 phases", .maxDelay = 12, .filterRows = 6, .filterPhases = 8},
        {.name = "complex, FIR 5 taps x 4 phases", .maxDelay = 12, .filterRows = 5, .filterPhases = 4, .complex = true},
    };
    for (const DelayConfiguration& configuration : configurations) {
        const std::size_t stride = configuration.complex ? 2 : 1;
        std::vector<std::vector<double>> channels;
        for (int c = 0; c < 2; ++c) {
            channels.push_back(randomValues(random, samples * stride, -1.0, 1.0));
        }
        const std::vector<double> delays = randomValues(random, samples, 0.0, configuration.maxDelay);
        std::vector<double> reference;
        for (int32_t frameSize : {1, 7, 64}) {
            announceStage(configuration.name + ", frame size " + std::to_string(frameSize));
            std::vector<double> result;
            try {
                result = delayedInFrames(*library, configuration, frameSize, channels, delays);
            } catch (const CheckSkipped&) {
                throw;
            } catch (const std::runtime_error& error) {
                return Outcome::fail(configuration.name + ", " + error.what());
            }
            if (reference.empty()) {
                reference = std::move(result);
                continue;
            }
            for (std::size_t i = 0; i < reference.size(); ++i) {
                if (!sameBits(result[i], reference[i])) {
                    return Outcome::fail(configuration.name + ": frame size " + std::to_string(frameSize) +
                                         " differs from frame size 1 at value " + std::to_string(i) + " (" +
                                         std::to_string(result[i]) + " against " + std::to_string(reference[i]) +
                                         ")");
                }
            }
        }
    }
    return Outcome::pass("3 configurations, " + std::to_string(samples) +
                         " samples: frame sizes 1, 7 and 64 give bit-identical outputs");
}

// Delay values a host may pass: every special double, the edges of the range
// and ramps across it.
std::vector<double> awkwardDelays(double maxDelay) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> delays = {inf, -inf, -1.0, -0.0, 0.0, -1e-300, 4.9e-324, 1e-300, 0.9999999,
                                  maxDelay, std::nextafter(maxDelay, inf), std::nextafter(maxDelay, 0.0),
                                  maxDelay + 0.5, maxDelay + 1.0, maxDelay - 0.01, 1e300, -1e300,
                                  2147483647.5, 2147483648.0, -2147483649.0, 9.3e18, -9.3e18, 0.5, 1.0 - 1e-16};
    for (double k = 1.0; k < maxDelay; k += 1.0) {
        delays.insert(delays.end(), {k - 0.01, k, k + 0.01});
    }
    for (double ramp = -1.0; ramp <= maxDelay + 2.0; ramp += 0.037) {
        delays.push_back(ramp);
    }
    for (double ramp = maxDelay + 2.0; ramp >= -1.0; ramp -= 0.11) {
        delays.push_back(ramp);
    }
    return delays;
}

double clampedDelay(double delay, double maxDelay) {
    return delay < 0.0 ? 0.0 : (delay > maxDelay ? maxDelay : delay);
}

// Runs the scenario on the given delay sequence (cycled over the delay
// port's elements frame by frame) and returns all outputs; NaN delays are
// allowed to give NaN outputs only where they apply.
struct DelayRun {
    std::vector<double> outputs;
    std::vector<bool> fromNaNDelay;
};

DelayRun runDelays(const vostrel::BlockLibrary& library, const DelayConfiguration& scenario, const std::vector<double>& sequence,
                   uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto simulation = startScenario(library, scenario.scenario());
    const std::size_t width = static_cast<std::size_t>(scenario.delayWidth());
    const std::size_t frameSize = static_cast<std::size_t>(scenario.frameSize());
    const std::size_t stride = scenario.complex ? 2 : 1;
    DelayRun run;
    for (std::size_t start = 0; start < sequence.size(); start += width) {
        std::vector<double> delays(width);
        for (std::size_t e = 0; e < width; ++e) {
            delays[e] = sequence[(start + e) % sequence.size()];
        }
        const std::vector<double> data = randomValues(random, scenario.dataValues(), -1.0, 1.0);
        const std::string problem = simulation->step({data, delays});
        if (!problem.empty()) {
            throw std::runtime_error("delay values from " + std::to_string(sequence[start]) + ": " + problem);
        }
        const std::span<const double> output = simulation->ports().output(0);
        for (std::size_t i = 0; i < output.size(); ++i) {
            const std::size_t element = i / stride;
            const std::size_t channel = element / frameSize;
            const std::size_t sample = element % frameSize;
            run.outputs.push_back(output[i]);
            run.fromNaNDelay.push_back(std::isnan(delays[scenario.perChannel ? channel : sample]));
        }
    }
    return run;
}

Outcome delayFuzz(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const std::vector<DelayConfiguration> scenarios = delayBlockConfigurations();
    std::mt19937_64 random(context.seed);
    std::size_t served = 0;
    for (const DelayConfiguration& scenario : scenarios) {
        announceStage(scenario.name);
        std::vector<double> raw = awkwardDelays(scenario.maxDelay);
        std::shuffle(raw.begin() + 24, raw.end(), random);  // keep the specials first, mix the rest
        std::vector<double> clamped;
        for (double delay : raw) {
            clamped.push_back(clampedDelay(delay, scenario.maxDelay));
        }
        std::vector<double> withNaN = raw;
        for (std::size_t i = 0; i < withNaN.size(); i += 5) {
            withNaN[i] = std::numeric_limits<double>::quiet_NaN();
        }
        try {
            const DelayRun asGiven = runDelays(*library, scenario, raw, context.seed);
            const DelayRun asClamped = runDelays(*library, scenario, clamped, context.seed);
            for (std::size_t i = 0; i < asGiven.outputs.size(); ++i) {
                if (!std::isfinite(asGiven.outputs[i])) {
                    return Outcome::fail(scenario.name + ": output value " + std::to_string(i) +
                                         " is not finite for finite inputs and delays");
                }
                if (!sameBits(asGiven.outputs[i], asClamped.outputs[i])) {
                    return Outcome::fail(scenario.name + ": output value " + std::to_string(i) +
                                         " differs from the output for the same delays clamped to [0, " +
                                         std::to_string(scenario.maxDelay) + "]");
                }
            }
            const DelayRun nanRun = runDelays(*library, scenario, withNaN, context.seed);
            for (std::size_t i = 0; i < nanRun.outputs.size(); ++i) {
                if (!nanRun.fromNaNDelay[i] && !std::isfinite(nanRun.outputs[i])) {
                    return Outcome::fail(scenario.name + ": a NaN delay made output value " + std::to_string(i) +
                                         ", whose own delay is a number, not finite");
                }
            }
            served += asGiven.outputs.size() + nanRun.outputs.size();
        } catch (const CheckSkipped&) {
            throw;
        } catch (const std::runtime_error& error) {
            return Outcome::fail(scenario.name + ": " + error.what());
        }
    }
    return Outcome::pass(std::to_string(served) +
                         " outputs for NaN, infinite, negative, out-of-range and ramping delays: clamped as "
                         "promised, finite, guards intact");
}

}  // namespace

std::vector<Check> delayBlockChecks() {
    return {
        {"outputs.frame-equivalence", "per-sample delays give bit-identical outputs at frame sizes 1, 7 and 64",
         frameEquivalence, delayBlockName},
        {"delays.fuzz", "NaN, infinite, negative, out-of-range and ramping delays are clamped, outputs finite",
         delayFuzz, delayBlockName},
    };
}

}  // namespace quorbelin::validator
