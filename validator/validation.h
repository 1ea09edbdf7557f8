// A validation run, as `quorbelin validate` makes it: the checks selected by
// name and by the block they apply to, each run in a process of its own
// (the allocation check in the counting helper program), one result each.
#ifndef QUORBELIN_VALIDATOR_VALIDATION_H
#define QUORBELIN_VALIDATOR_VALIDATION_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "validator/checks.h"
#include "validator/report.h"
#include "validator/scenarios.h"

namespace quorbelin::validator {

struct ValidationOptions {
    std::string libraryPath;
    uint64_t seed = 0;
    double timeoutSeconds = 120.0;
    // Nothing: the block's built-in scenarios, or no parameters at all.
    std::optional<std::vector<ParameterValue>> parameters;
    // The allocation-counting helper program (quorbelin-allocation-check).
    std::string allocationProgram;
};

// The checks whose names match a shell pattern of `include` (all when it is
// empty) and none of `exclude`; those that apply to the named block run,
// the others (checks of another block's own behaviour) are left out.
struct Selection {
    std::vector<const Check*> run;
    std::vector<const Check*> leftOut;
};
Selection selectChecks(const std::vector<std::string>& include, const std::vector<std::string>& exclude,
                       const std::string& blockName);

// What the block's size query says of its parameters, asked in a process
// of its own: the number it declares and, for the values given, the message
// with which it refuses them (empty when it accepts them). Nothing known
// when the block does not load or its query fails.
struct ParameterAnswer {
    std::optional<int32_t> declared;
    std::string refusal;
};
ParameterAnswer askParameters(const std::string& libraryPath, const std::vector<ParameterValue>& values,
                              double timeoutSeconds);

// Runs the checks in order, calling `onResult` after each.
std::vector<CheckResult> runChecks(const std::vector<const Check*>& checks, const ValidationOptions& options,
                                   const std::function<void(const CheckResult&)>& onResult);

// A check's own seed: it depends only on the run's seed and the check's name.
uint64_t checkSeed(uint64_t seed, const std::string& name);

// The allocation helper's arguments after the program: CHECK LIBRARY SEED
// [PARAMETER...], each parameter serialized; and back.
std::vector<std::string> helperArguments(const Check& check, const CheckContext& context);
std::optional<CheckContext> contextFromHelperArguments(const std::vector<std::string>& arguments);

}  // namespace quorbelin::validator

#endif
