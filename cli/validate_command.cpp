#include "cli/validate_command.h"

#include <fnmatch.h>

#include <CLI/CLI.hpp>

#include <random>

#include "cli/errors.h"
#include "cli/validate_checks.h"
#include "cli/validate_isolation.h"
#include "cli/validate_report.h"

namespace quorbelin::cli {

namespace {

using validate::Check;
using validate::CheckResult;

bool matchesAny(const std::string& name, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<const Check*> selectedChecks(const ValidateOptions& options) {
    std::vector<const Check*> selected;
    for (const Check& check : validate::allChecks()) {
        if (!options.include.empty() && !matchesAny(check.name, options.include)) {
            continue;
        }
        if (matchesAny(check.name, options.exclude)) {
            continue;
        }
        selected.push_back(&check);
    }
    return selected;
}

// FNV-1a: a check's seed depends only on the run's seed and its own name.
uint64_t checkSeed(uint64_t seed, const std::string& name) {
    uint64_t hash = 0xCBF29CE484222325ull ^ seed;
    for (const unsigned char c : name) {
        hash = (hash ^ c) * 0x100000001B3ull;
    }
    return hash;
}

validate::Outcome runOneCheck(const Check& check, const validate::CheckContext& context) {
    try {
        return check.run(context);
    } catch (const validate::CheckSkipped& skipped) {
        return validate::Outcome::skip(skipped.what());
    }
}

}  // namespace

CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options) {
    CLI::App* command = app.add_subcommand(
        "validate",
        "Check that a block library is safe to load in a model: binary interface, dispatch, negotiation, output "
        "integrity, delays, threads and memory; each check runs in a process of its own");
    command->add_option("LIBRARY", options.libraryPath, "The block library to check (e.g. build/quorbelin.so)")
        ->type_name("PATH.so");
    command->add_option("--only", options.include,
                        "Run only the checks whose names match this shell pattern (repeatable), e.g. 'memory.*'")
        ->allow_extra_args(false)
        ->type_name("PATTERN");
    command->add_option("--skip", options.exclude, "Leave out the checks whose names match (repeatable)")
        ->allow_extra_args(false)
        ->type_name("PATTERN");
    command->add_option("--seed", options.seed,
                        "Seed of the random inputs; a run prints its seed, and the same seed replays it")
        ->type_name("N");
    command->add_option("--timeout", options.timeoutSeconds, "Seconds one check may run before it is stopped")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    command->add_flag("--json", options.json, "Print the report as one JSON document");
    command->add_flag("--list", options.list, "List the checks and exit");
    command->footer("Each check prints 'STATUS name (ms): detail'; STATUS is PASS, FAIL, WARN, SKIP, CRASH or "
                    "TIMEOUT.\nExit status: 0 when nothing failed, crashed or timed out, 1 otherwise.\n"
                    "Examples:\n  quorbelin validate build/quorbelin.so\n"
                    "  quorbelin validate build/quorbelin.so --only 'memory.*' --seed 42 --json");
    return command;
}

int runValidate(const ValidateOptions& options, std::FILE* out) {
    const std::vector<const Check*> checks = selectedChecks(options);
    if (options.list) {
        for (const Check* check : checks) {
            std::fprintf(out, "%-28s %s\n", check->name, check->summary);
        }
        return 0;
    }
    if (options.libraryPath.empty()) {
        throw UsageError("give the block library to check, e.g. quorbelin validate build/quorbelin.so");
    }
    if (checks.empty()) {
        throw UsageError("the --only and --skip patterns select no check; 'quorbelin validate --list' lists them");
    }
    const uint64_t seed = options.seed ? *options.seed : std::random_device{}() * 0x100000000ull ^ std::random_device{}();
    if (!options.json) {
        std::fprintf(out, "validating %s, seed %llu (replay with --seed %llu)\n", options.libraryPath.c_str(),
                     static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
        std::fflush(out);
    }
    std::vector<CheckResult> results;
    for (const Check* check : checks) {
        const validate::CheckContext context{options.libraryPath, checkSeed(seed, check->name)};
        CheckResult result{check->name,
                           validate::runIsolated([&] { return runOneCheck(*check, context); }, options.timeoutSeconds)};
        if (!options.json) {
            validate::printLine(out, result);
        }
        results.push_back(std::move(result));
    }
    const validate::Tally counts = validate::tally(results);
    if (options.json) {
        validate::printJson(out, options.libraryPath, seed, results);
    } else {
        validate::printSummary(out, counts);
    }
    return counts.failed == 0 ? 0 : exitFailure;
}

}  // namespace quorbelin::cli
