// The validator's checks, most valuable first. Each runs on its own (in a
// process of its own), loads the library itself and reports one outcome.
#ifndef QUORBELIN_VALIDATOR_CHECKS_H
#define QUORBELIN_VALIDATOR_CHECKS_H

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/vostrel_host.h"
#include "validator/outcome.h"
#include "validator/scenarios.h"

namespace quorbelin::validator {

struct CheckContext {
    std::string libraryPath;
    // This check's own seed, derived from the run's seed and its name, so a
    // check replays the same way whatever else is selected.
    uint64_t seed = 0;
    // The block's parameter values as the user gave them; nothing: the
    // built-in set of a block known by name (or no parameters at all).
    std::optional<std::vector<ParameterValue>> parameters;
};

struct Check {
    const char* name;
    const char* summary;
    Outcome (*run)(const CheckContext& context);
    // A check of a behaviour only the named block has; it runs only on that
    // block. Null: a check every block of this host must pass.
    const char* onlyFor = nullptr;
    // Runs in the allocation-counting helper program, the only process
    // whose heap is counted.
    bool countsAllocations = false;
};

// Every check, in the order they run.
const std::vector<Check>& allChecks();
const Check* findCheck(const std::string& name);

// Thrown by a check that cannot run on this library: it becomes SKIP.
class CheckSkipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the library for a check; a library that does not load makes the
// check SKIP (the load check itself reports why).
std::unique_ptr<vostrel::BlockLibrary> loadForCheck(const CheckContext& context);

// A guarded simulation of the scenario; a block that does not run it makes
// the check SKIP, naming the scenario and the reason.
class GuardedSimulation;
std::unique_ptr<GuardedSimulation> startScenario(const vostrel::BlockLibrary& library, const Scenario& scenario);

// Runs a check and turns CheckSkipped into SKIP.
Outcome runCheck(const Check& check, const CheckContext& context);

// The groups of checks, one file each.
std::vector<Check> interfaceChecks();
std::vector<Check> dispatchChecks();
std::vector<Check> negotiationChecks();
std::vector<Check> outputChecks();
std::vector<Check> delayBlockChecks();
std::vector<Check> memoryChecks();

}  // namespace quorbelin::validator

#endif
