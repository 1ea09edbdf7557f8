// Memory: nothing allocated by an output call, and everything the block
// allocates for a simulation freed by its release, cycle after cycle.
#include <malloc.h>

#include "cli/validate_allocation_counter.h"
#include "cli/validate_checks.h"
#include "cli/validate_harness.h"
#include "cli/validate_isolation.h"

namespace quorbelin::cli::validate {
namespace {

Outcome noRunTimeAllocation(const CheckContext& context) {
    const auto library = loadForCheck(context);
    std::mt19937_64 random(context.seed);
    constexpr int32_t frames = 100;
    for (const Scenario& scenario : standardScenarios()) {
        announceStage(scenario.name);
        std::unique_ptr<GuardedSimulation> simulation;
        try {
            simulation = std::make_unique<GuardedSimulation>(*library, scenario);
        } catch (const vostrel::SimulationError& error) {
            throw CheckSkipped("the block does not run \"" + scenario.name + "\": " + error.what());
        }
        for (int32_t frame = 0; frame < frames; ++frame) {
            const auto data = randomValues(random, scenario.dataValues(), -1.0, 1.0);
            const auto delays =
                randomValues(random, static_cast<std::size_t>(scenario.delayWidth()), -1.0, scenario.maxDelay + 1.0);
            simulation->ports().load(data, delays);
            startCountingAllocations();
            const std::string message = simulation->outputCall()();
            const uint64_t allocations = stopCountingAllocations();
            if (allocations != 0) {
                return Outcome::fail(scenario.name + ": output call " + std::to_string(frame + 1) + " allocated " +
                                     std::to_string(allocations) + " time(s)");
            }
            if (!message.empty()) {
                return Outcome::fail(scenario.name + ": the output call stored \"" + message + "\"");
            }
        }
    }
    return Outcome::pass(std::to_string(frames * static_cast<int32_t>(standardScenarios().size())) +
                         " output calls, 0 allocations");
}

// A start that fails after the block allocated its start-time memory (the
// initial conditions do not fit the channels): release must still free it.
Scenario failingStart() {
    Scenario scenario = standardScenarios().front();
    scenario.name = "a start refused for its initial conditions";
    return scenario;
}

Outcome releaseCycles(const CheckContext& context) {
    const auto library = loadForCheck(context);
    std::mt19937_64 random(context.seed);
    const std::vector<Scenario> scenarios = standardScenarios();
    constexpr int cycles = 1000;
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    const std::size_t heapBefore = mallinfo2().uordblks;
    int refusedStarts = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const bool refuseStart = cycle % 10 == 9;
        const Scenario& scenario = refuseStart ? failingStart() : scenarios[static_cast<std::size_t>(cycle) % scenarios.size()];
        announceStage("cycle " + std::to_string(cycle + 1) + ": " + scenario.name);
        std::vector<vostrel::Array> parameters = parametersOf(scenario);
        if (refuseStart) {
            parameters[2] = vostrel::Array::matrix(1, 3, {1.0, 2.0, 3.0});  // 3 values for 2 channels
        }
        try {
            vostrel::Simulation simulation(*library, std::move(parameters), connectionsOf(scenario));
            const std::size_t width = static_cast<std::size_t>(scenario.delayWidth());
            std::vector<double> out(scenario.dataValues());
            for (int frame = 0; frame < 3; ++frame) {
                simulation.step(randomValues(random, scenario.dataValues(), -1.0, 1.0),
                                randomValues(random, width, 0.0, scenario.maxDelay), out);
            }
        } catch (const vostrel::SimulationError& error) {
            if (!refuseStart) {
                throw CheckSkipped("the block does not run \"" + scenario.name + "\": " + error.what());
            }
            ++refusedStarts;
        }
        if (cycle == 0 && vostrel::liveCallocBlocks() != liveBefore) {
            return Outcome::fail("the first create-run-release cycle left " +
                                 std::to_string(vostrel::liveCallocBlocks() - liveBefore) +
                                 " block(s) of the block's memory alive");
        }
    }
    const std::size_t liveAfter = vostrel::liveCallocBlocks();
    if (liveAfter != liveBefore) {
        return Outcome::fail(std::to_string(cycles) + " create-run-release cycles left " +
                             std::to_string(liveAfter - liveBefore) + " block(s) of the block's memory alive");
    }
    // The host's own heap use may vary a little; steady growth is a leak of
    // memory the host does not see (malloc or new inside the block).
    const std::size_t heapAfter = mallinfo2().uordblks;
    if (heapAfter > heapBefore + 64 * 1024) {
        return Outcome::warn(std::to_string(cycles) + " cycles: nothing of the host's memory leaked, but the heap in "
                             "use grew by " + std::to_string(heapAfter - heapBefore) + " bytes");
    }
    return Outcome::pass(std::to_string(cycles) + " create-run-release cycles (" + std::to_string(refusedStarts) +
                         " with a refused start): 0 blocks leaked");
}

}  // namespace

std::vector<Check> memoryChecks() {
    return {
        {"memory.run-time-allocation", "no memory allocated by an output call", noRunTimeAllocation},
        {"memory.release-cycles", "release frees everything the block allocated, over 1000 cycles", releaseCycles},
    };
}

}  // namespace quorbelin::cli::validate
