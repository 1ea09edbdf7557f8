// Memory: nothing allocated by an output call, and everything the block
// allocates for a simulation freed by its release, cycle after cycle.
#include <malloc.h>

#include "validator/allocation_counter.h"
#include "validator/checks.h"
#include "validator/harness.h"
#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

Outcome noRunTimeAllocation(const CheckContext& context) {
    if (!allocationCounterPresent()) {
        return Outcome::fail("this process counts no allocations; the check runs in quorbelin-allocation-check");
    }
    const auto library = loadForCheck(context);
    std::mt19937_64 random(context.seed);
    constexpr int32_t frames = 100;
    const ScenarioSet set = scenariosFor(*library, context.parameters);
    for (const Scenario& scenario : set.scenarios) {
        announceStage(scenario.name);
        std::unique_ptr<GuardedSimulation> simulation;
        try {
            simulation = std::make_unique<GuardedSimulation>(*library, scenario);
        } catch (const vostrel::SimulationError& error) {
            throw CheckSkipped("the block does not run \"" + scenario.name + "\": " + error.what());
        }
        for (int32_t frame = 0; frame < frames; ++frame) {
            simulation->ports().load(simulation->randomFrame(random));
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
    return Outcome::pass(std::to_string(frames * static_cast<int32_t>(set.scenarios.size())) +
                         " output calls, 0 allocations");
}

// A start that fails after the block allocated its start-time memory (a
// built-in set knows such parameters): release must still free it.
Outcome releaseCycles(const CheckContext& context) {
    const auto library = loadForCheck(context);
    std::mt19937_64 random(context.seed);
    const ScenarioSet set = scenariosFor(*library, context.parameters);
    const std::vector<Scenario>& scenarios = set.scenarios;
    constexpr int cycles = 1000;
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    const std::size_t heapBefore = mallinfo2().uordblks;
    int refusedStarts = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const bool refuseStart = cycle % 10 == 9 && set.refusedStart.has_value();
        const Scenario& scenario =
            refuseStart ? *set.refusedStart : scenarios[static_cast<std::size_t>(cycle) % scenarios.size()];
        announceStage("cycle " + std::to_string(cycle + 1) + ": " + scenario.name);
        try {
            vostrel::Simulation simulation(*library, scenario.parameterArrays(), scenario.connections);
            for (int frame = 0; frame < 3; ++frame) {
                const auto inputs = randomInputs(random, scenario, simulation.block().record());
                for (std::size_t p = 0; p < inputs.size(); ++p) {
                    std::copy(inputs[p].begin(), inputs[p].end(), simulation.input(static_cast<int32_t>(p)).begin());
                }
                simulation.step();
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
        {"memory.run-time-allocation", "no memory allocated by an output call", noRunTimeAllocation, nullptr, true},
        {"memory.release-cycles", "release frees everything the block allocated, over 1000 cycles", releaseCycles},
    };
}

}  // namespace quorbelin::validator
