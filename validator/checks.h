// The validator's checks, most valuable first. Each runs on its own (in a
// child process of its own), loads the library itself and reports one
// outcome.
#ifndef QUORBELIN_CLI_VALIDATE_CHECKS_H
#define QUORBELIN_CLI_VALIDATE_CHECKS_H

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/validate_outcome.h"
#include "host/vostrel_host.h"

namespace quorbelin::cli::validate {

struct CheckContext {
    std::string libraryPath;
    // This check's own seed, derived from the run's seed and its name, so a
    // check replays the same way whatever else is selected.
    uint64_t seed = 0;
};

struct Check {
    const char* name;
    const char* summary;
    Outcome (*run)(const CheckContext& context);
};

// Every check, in the order they run.
const std::vector<Check>& allChecks();

// Thrown by a check that cannot run on this library: it becomes SKIP.
class CheckSkipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the library for a check; a library that does not load makes the
// check SKIP (the load check itself reports why).
std::unique_ptr<vostrel::BlockLibrary> loadForCheck(const CheckContext& context);

// The groups of checks, one file each.
std::vector<Check> interfaceChecks();
std::vector<Check> dispatchChecks();
std::vector<Check> negotiationChecks();
std::vector<Check> outputChecks();
std::vector<Check> memoryChecks();

}  // namespace quorbelin::cli::validate

#endif
