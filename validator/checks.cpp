#include "validator/checks.h"

#include "validator/harness.h"

namespace quorbelin::validator {

const std::vector<Check>& allChecks() {
    static const std::vector<Check> checks = [] {
        std::vector<Check> all;
        for (auto group :
             {interfaceChecks, dispatchChecks, negotiationChecks, outputChecks, delayBlockChecks, memoryChecks}) {
            const std::vector<Check> members = group();
            all.insert(all.end(), members.begin(), members.end());
        }
        return all;
    }();
    return checks;
}

const Check* findCheck(const std::string& name) {
    for (const Check& check : allChecks()) {
        if (name == check.name) {
            return &check;
        }
    }
    return nullptr;
}

std::unique_ptr<vostrel::BlockLibrary> loadForCheck(const CheckContext& context) {
    try {
        return std::make_unique<vostrel::BlockLibrary>(context.libraryPath);
    } catch (const vostrel::HostError&) {
        throw CheckSkipped("the library does not load (see load.immediate-binding)");
    }
}

std::unique_ptr<GuardedSimulation> startScenario(const vostrel::BlockLibrary& library, const Scenario& scenario) {
    try {
        return std::make_unique<GuardedSimulation>(library, scenario);
    } catch (const vostrel::SimulationError& error) {
        throw CheckSkipped("the block does not run the validator's configuration \"" + scenario.name +
                           "\": " + error.what());
    }
}

Outcome runCheck(const Check& check, const CheckContext& context) {
    try {
        return check.run(context);
    } catch (const CheckSkipped& skipped) {
        return Outcome::skip(skipped.what());
    }
}

}  // namespace quorbelin::validator
