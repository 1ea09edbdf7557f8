// The output call: every value written and nothing else, the frame size
// irrelevant to the result, delays of every kind served as promised, and no
// state outside the record.
#include <algorithm>
#include <barrier>
#include <cmath>
#include <limits>
#include <thread>

#include "cli/validate_checks.h"
#include "cli/validate_harness.h"
#include "cli/validate_isolation.h"

namespace quorbelin::cli::validate {
namespace {

constexpr int32_t integrityFrames = 200;

std::unique_ptr<GuardedSimulation> startScenario(const vostrel::BlockLibrary& library, const Scenario& scenario) {
    try {
        return std::make_unique<GuardedSimulation>(library, scenario);
    } catch (const vostrel::SimulationError& error) {
        throw CheckSkipped("the block does not run the validator's configuration \"" + scenario.name +
                           "\": " + error.what());
    }
}

Outcome outputIntegrity(const CheckContext& context) {
    const auto library = loadForCheck(context);
    int32_t frames = 0;
    for (const Scenario& scenario : standardScenarios()) {
        announceStage(scenario.name);
        // runScenario checks every frame: all outputs written, guards and
        // inputs untouched.
        try {
            startScenario(*library, scenario);
            runScenario(*library, scenario, context.seed, integrityFrames);
        } catch (const CheckSkipped&) {
            throw;
        } catch (const std::runtime_error& error) {
            return Outcome::fail(error.what());
        }
        frames += integrityFrames;
    }
    return Outcome::pass(std::to_string(frames) + " frames over " + std::to_string(standardScenarios().size()) +
                         " configurations: every output written, guards and inputs intact");
}

// Channel signals and per-sample delays of `samples` samples, fed in frames
// of `frameSize`; returns each channel's output, channel after channel.
std::vector<double> delayedInFrames(const vostrel::BlockLibrary& library, Scenario scenario, int32_t frameSize,
                                    const std::vector<std::vector<double>>& channels, const std::vector<double>& delays) {
    const int32_t channelCount = static_cast<int32_t>(channels.size());
    const std::size_t stride = scenario.complex ? 2 : 1;
    const std::size_t samples = delays.size();
    scenario.numChannels = channelCount;
    scenario.perChannel = false;
    scenario.dataWidth = channelCount * frameSize;
    const auto simulation = startScenario(library, scenario);
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
        const std::string problem = simulation->step(frame, frameDelays);
        if (!problem.empty()) {
            throw std::runtime_error("frame size " + std::to_string(frameSize) + ": " + problem);
        }
        const std::span<const double> output = simulation->output();
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
    const std::vector<Scenario> configurations = {
        {.name = "real, linear", .maxDelay = 12},
        {.name = "real, FIR 6 taps x 8 phases", .maxDelay = 12, .filterRows = 6, .filterPhases = 8},
        {.name = "complex, FIR 5 taps x 4 phases", .maxDelay = 12, .filterRows = 5, .filterPhases = 4, .complex = true},
    };
    for (const Scenario& configuration : configurations) {
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

DelayRun runDelays(const vostrel::BlockLibrary& library, const Scenario& scenario, const std::vector<double>& sequence,
                   uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto simulation = startScenario(library, scenario);
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
        const std::string problem = simulation->step(data, delays);
        if (!problem.empty()) {
            throw std::runtime_error("delay values from " + std::to_string(sequence[start]) + ": " + problem);
        }
        const std::span<const double> output = simulation->output();
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
    std::vector<Scenario> scenarios = standardScenarios();
    std::mt19937_64 random(context.seed);
    std::size_t served = 0;
    for (const Scenario& scenario : scenarios) {
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

Outcome independentRecords(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const std::vector<Scenario> scenarios = standardScenarios();
    const Scenario& first = scenarios[3];
    const Scenario& second = scenarios[2];
    constexpr int32_t frames = 300;
    const uint64_t firstSeed = context.seed;
    const uint64_t secondSeed = context.seed ^ 0x9E3779B97F4A7C15ull;
    announceStage("one record after the other");
    std::vector<double> firstAlone;
    std::vector<double> secondAlone;
    try {
        startScenario(*library, first);
        startScenario(*library, second);
        firstAlone = runScenario(*library, first, firstSeed, frames);
        secondAlone = runScenario(*library, second, secondSeed, frames);
    } catch (const CheckSkipped&) {
        throw;
    } catch (const std::runtime_error& error) {
        return Outcome::fail(error.what());
    }

    // Interleaved frame by frame on one thread: a block keeping state outside
    // its record mixes the two up deterministically.
    announceStage("two records interleaved on one thread");
    {
        std::mt19937_64 randomA(firstSeed);
        std::mt19937_64 randomB(secondSeed);
        GuardedSimulation a(*library, first);
        GuardedSimulation b(*library, second);
        std::vector<double> outA;
        std::vector<double> outB;
        for (int32_t frame = 0; frame < frames; ++frame) {
            for (auto [simulation, scenario, random, out] :
                 {std::tuple{&a, &first, &randomA, &outA}, std::tuple{&b, &second, &randomB, &outB}}) {
                const auto data = randomValues(*random, scenario->dataValues(), -1.0, 1.0);
                const auto delays = randomValues(*random, static_cast<std::size_t>(scenario->delayWidth()), -1.0,
                                                 scenario->maxDelay + 1.0);
                const std::string problem = simulation->step(data, delays);
                if (!problem.empty()) {
                    return Outcome::fail("interleaved records: " + problem);
                }
                out->insert(out->end(), simulation->output().begin(), simulation->output().end());
            }
        }
        if (outA != firstAlone || outB != secondAlone) {
            return Outcome::fail("two records stepped in turn on one thread give other outputs than each alone");
        }
    }

    announceStage("two records on two threads");
    std::vector<double> threadOut[2];
    std::string threadProblem[2];
    std::barrier lockstep(2);
    auto runOnThread = [&](int which) {
        const Scenario& scenario = which == 0 ? first : second;
        std::mt19937_64 random(which == 0 ? firstSeed : secondSeed);
        try {
            GuardedSimulation simulation(*library, scenario);
            lockstep.arrive_and_wait();
            for (int32_t frame = 0; frame < frames; ++frame) {
                const auto data = randomValues(random, scenario.dataValues(), -1.0, 1.0);
                const auto delays = randomValues(random, static_cast<std::size_t>(scenario.delayWidth()), -1.0,
                                                 scenario.maxDelay + 1.0);
                lockstep.arrive_and_wait();  // both compute the same frame at once
                const std::string problem = simulation.step(data, delays);
                if (!problem.empty() && threadProblem[which].empty()) {
                    threadProblem[which] = problem;
                }
                threadOut[which].insert(threadOut[which].end(), simulation.output().begin(),
                                        simulation.output().end());
            }
        } catch (const std::exception& error) {
            threadProblem[which] = error.what();
            lockstep.arrive_and_drop();
        }
    };
    std::thread other(runOnThread, 1);
    runOnThread(0);
    other.join();
    for (int which = 0; which < 2; ++which) {
        if (!threadProblem[which].empty()) {
            return Outcome::fail("record " + std::to_string(which + 1) + " on its own thread: " + threadProblem[which]);
        }
    }
    if (threadOut[0] != firstAlone || threadOut[1] != secondAlone) {
        return Outcome::fail("two records on two threads give other outputs than one after the other");
    }
    return Outcome::pass("2 records, " + std::to_string(frames) +
                         " frames each: interleaved and on two threads, the same outputs as one after the other");
}

}  // namespace

std::vector<Check> outputChecks() {
    return {
        {"outputs.integrity", "every output written, storage around the ports and the inputs untouched",
         outputIntegrity},
        {"outputs.frame-equivalence", "per-sample delays give bit-identical outputs at frame sizes 1, 7 and 64",
         frameEquivalence},
        {"delays.fuzz", "NaN, infinite, negative, out-of-range and ramping delays are clamped, outputs finite",
         delayFuzz},
        {"records.independent", "two records, interleaved or on two threads, as one after the other",
         independentRecords},
    };
}

}  // namespace quorbelin::cli::validate
