// The output call on every block: every value written and nothing else,
// and no state outside the record.
#include <barrier>
#include <thread>

#include "validator/checks.h"
#include "validator/harness.h"
#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

constexpr int32_t integrityFrames = 200;

Outcome outputIntegrity(const CheckContext& context) {
    const auto library = loadForCheck(context);
    int32_t frames = 0;
    const ScenarioSet set = scenariosFor(*library, context.parameters);
    for (const Scenario& scenario : set.scenarios) {
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
    return Outcome::pass(std::to_string(frames) + " frames over " + std::to_string(set.scenarios.size()) +
                         " configurations: every output written, guards and inputs intact");
}

Outcome independentRecords(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const std::vector<Scenario> scenarios = scenariosFor(*library, context.parameters).scenarios;
    // Two configurations when there are two, else one twice: the records
    // differ in their inputs at least.
    const Scenario& first = scenarios.back();
    const Scenario& second = scenarios.size() > 1 ? scenarios[scenarios.size() - 2] : scenarios.back();
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
            for (auto [simulation, random, out] : {std::tuple{&a, &randomA, &outA}, std::tuple{&b, &randomB, &outB}}) {
                const std::string problem = simulation->step(simulation->randomFrame(*random));
                if (!problem.empty()) {
                    return Outcome::fail("interleaved records: " + problem);
                }
                const std::vector<double> values = simulation->ports().allOutputs();
                out->insert(out->end(), values.begin(), values.end());
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
                const auto inputs = simulation.randomFrame(random);
                lockstep.arrive_and_wait();  // both compute the same frame at once
                const std::string problem = simulation.step(inputs);
                if (!problem.empty() && threadProblem[which].empty()) {
                    threadProblem[which] = problem;
                }
                const std::vector<double> values = simulation.ports().allOutputs();
                threadOut[which].insert(threadOut[which].end(), values.begin(), values.end());
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
        {"records.independent", "two records, interleaved or on two threads, as one after the other",
         independentRecords},
    };
}

}  // namespace quorbelin::validator
