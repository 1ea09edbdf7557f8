#include "cli/validate_command.h"

#include <CLI/CLI.hpp>

#include <random>

#include "cli/block_location.h"
#include "cli/block_parameters.h"
#include "cli/errors.h"
#include "validator/validation.h"

namespace quorbelin::cli {

namespace {

using validator::Check;
using validator::ParameterValue;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string names(const std::vector<const Check*>& checks) {
    std::string text;
    for (const Check* check : checks) {
        text += (text.empty() ? "" : ", ") + std::string(check->name);
    }
    return text;
}

// Every --param as the block's host array will hold it.
std::vector<ParameterValue> parameterValues(const std::vector<std::string>& texts) {
    std::vector<ParameterValue> values;
    for (const std::string& text : texts) {
        const Matrix matrix = resolveMatrixParameter(text, "--param");
        values.push_back({matrix.rows, matrix.columns, matrix.columnMajor});
    }
    return values;
}

// The parameter values fit the block: as many as it declares, and values
// it accepts. Without values, a block the validator does not know must take
// none.
std::optional<std::vector<ParameterValue>> checkedParameters(const ValidateOptions& options,
                                                             const std::string& blockName) {
    if (options.parameters.empty() && validator::hasBuiltInScenarios(blockName)) {
        return std::nullopt;
    }
    std::vector<ParameterValue> values = parameterValues(options.parameters);
    const validator::ParameterAnswer answer =
        validator::askParameters(options.libraryPath, values, options.timeoutSeconds);
    if (answer.declared && *answer.declared != static_cast<int32_t>(values.size())) {
        throw UsageError("block " + quoted(blockName) + " takes " + std::to_string(*answer.declared) +
                         " parameter(s) and " + std::to_string(values.size()) +
                         " were given; give each with --param VALUE (a number or a CSV matrix file), in order");
    }
    if (!answer.refusal.empty()) {
        throw UsageError("block " + quoted(blockName) + " refuses the parameter values: " + answer.refusal);
    }
    return values;
}

}  // namespace

CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options) {
    CLI::App* command = app.add_subcommand(
        "validate",
        "Check that a block library is safe to load in a model: binary interface, dispatch, negotiation, output "
        "integrity, threads and memory; each check runs in a process of its own");
    command->add_option("LIBRARY", options.libraryPath, "The block library to check (e.g. build/quorbelin.so)")
        ->type_name("PATH.so");
    command->add_option("--param", options.parameters,
                        "A parameter value of the block, once per parameter in order: a number or a CSV matrix "
                        "file. Without --param a block known by name (quorbelin) runs its built-in "
                        "configurations")
        ->allow_extra_args(false)
        ->type_name("VALUE");
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
    command->add_flag("--list", options.list, "List the checks (those for one block only say so) and exit");
    command->footer("Each check prints 'STATUS name (ms): detail'; STATUS is PASS, FAIL, WARN, SKIP, CRASH or "
                    "TIMEOUT.\nExit status: 0 when nothing failed, crashed or timed out, 1 otherwise.\n"
                    "Examples:\n  quorbelin validate build/quorbelin.so\n"
                    "  quorbelin validate build/gain.so --param 2.5\n"
                    "  quorbelin validate build/quorbelin.so --only 'memory.*' --seed 42 --json");
    return command;
}

int runValidate(const ValidateOptions& options, std::FILE* out) {
    if (options.list) {
        const validator::Selection all = validator::selectChecks(options.include, options.exclude, "");
        for (const Check& check : validator::allChecks()) {
            const bool listed = std::find(all.run.begin(), all.run.end(), &check) != all.run.end() ||
                                std::find(all.leftOut.begin(), all.leftOut.end(), &check) != all.leftOut.end();
            if (listed) {
                const std::string only = check.onlyFor ? "[" + std::string(check.onlyFor) + " only] " : "";
                std::fprintf(out, "%-28s %s%s\n", check.name, only.c_str(), check.summary);
            }
        }
        return 0;
    }
    if (options.libraryPath.empty()) {
        throw UsageError("give the block library to check, e.g. quorbelin validate build/quorbelin.so");
    }
    const std::string blockName = vostrel::blockNameFromPath(options.libraryPath);
    const validator::Selection selection = validator::selectChecks(options.include, options.exclude, blockName);
    if (selection.run.empty()) {
        throw UsageError(
            selection.leftOut.empty()
                ? "the --only and --skip patterns select no check; 'quorbelin validate --list' lists them"
                : "the patterns select only checks of another block's own behaviour (" + names(selection.leftOut) +
                      ")");
    }
    validator::ValidationOptions validation;
    validation.libraryPath = options.libraryPath;
    validation.timeoutSeconds = options.timeoutSeconds;
    validation.parameters = checkedParameters(options, blockName);
    validation.allocationProgram = locateAllocationCheckProgram();
    validation.seed =
        options.seed ? *options.seed : std::random_device{}() * 0x100000000ull ^ std::random_device{}();
    if (!options.json) {
        std::fprintf(out, "validating %s, seed %llu (replay with --seed %llu)\n", options.libraryPath.c_str(),
                     static_cast<unsigned long long>(validation.seed),
                     static_cast<unsigned long long>(validation.seed));
        if (!selection.leftOut.empty()) {
            std::fprintf(out, "not run on block %s, whose behaviour they do not test: %s\n",
                         quoted(blockName).c_str(), names(selection.leftOut).c_str());
        }
        std::fflush(out);
    }
    const std::vector<validator::CheckResult> results =
        validator::runChecks(selection.run, validation, [&](const validator::CheckResult& result) {
            if (!options.json) {
                validator::printLine(out, result);
            }
        });
    const validator::Tally counts = validator::tally(results);
    if (options.json) {
        std::vector<std::string> leftOut;
        for (const Check* check : selection.leftOut) {
            leftOut.emplace_back(check->name);
        }
        validator::printJson(out, options.libraryPath, validation.seed, results, leftOut);
    } else {
        validator::printSummary(out, counts);
    }
    return counts.failed == 0 ? 0 : exitFailure;
}

}  // namespace quorbelin::cli
