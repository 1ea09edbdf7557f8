#include "validator/validation.h"

#include <fnmatch.h>

#include <cstdlib>

#include "validator/isolation.h"

namespace quorbelin::validator {
namespace {

bool matchesAny(const std::string& name, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Selection selectChecks(const std::vector<std::string>& include, const std::vector<std::string>& exclude,
                       const std::string& blockName) {
    Selection selection;
    for (const Check& check : allChecks()) {
        if ((!include.empty() && !matchesAny(check.name, include)) || matchesAny(check.name, exclude)) {
            continue;
        }
        const bool applies = check.onlyFor == nullptr || blockName == check.onlyFor;
        (applies ? selection.run : selection.leftOut).push_back(&check);
    }
    return selection;
}

ParameterAnswer askParameters(const std::string& libraryPath, const std::vector<ParameterValue>& values,
                              double timeoutSeconds) {
    ParameterAnswer answer;
    // A plain size query without values: the block declares its count.
    const Outcome count = runIsolated(
        [&] {
            const vostrel::BlockLibrary library(libraryPath);
            const vostrel::SizeQueryResult result = vostrel::plainSizeQuery(library, {});
            if (result.abandoned || result.sizes.size() <= static_cast<std::size_t>(numParams)) {
                return Outcome::fail(result.message);
            }
            return Outcome::pass(std::to_string(static_cast<int64_t>(result.sizes[numParams])));
        },
        timeoutSeconds);
    if (count.status != Status::pass) {
        return answer;
    }
    answer.declared = static_cast<int32_t>(std::strtol(count.detail.c_str(), nullptr, 10));
    if (*answer.declared != static_cast<int32_t>(values.size())) {
        return answer;
    }
    // The values on a host record, as the host registers the block.
    const Outcome accepted = runIsolated(
        [&] {
            const vostrel::BlockLibrary library(libraryPath);
            vostrel::HostBlock block(library.blockName());
            std::vector<vostrel::Array> arrays;
            for (const ParameterValue& value : values) {
                arrays.push_back(value.toArray());
            }
            block.setParameters(std::move(arrays));
            const vostrel::SizeQueryResult result = vostrel::registerBlock(library, block);
            if (result.abandoned) {
                return Outcome::fail(result.message);
            }
            const char* message = block.record().errorMessage;
            return message != nullptr ? Outcome::fail(message) : Outcome::pass();
        },
        timeoutSeconds);
    if (accepted.status != Status::pass) {
        answer.refusal = accepted.detail;
    }
    return answer;
}

uint64_t checkSeed(uint64_t seed, const std::string& name) {
    // FNV-1a over the name, started from the run's seed.
    uint64_t hash = 0xCBF29CE484222325ull ^ seed;
    for (const unsigned char c : name) {
        hash = (hash ^ c) * 0x100000001B3ull;
    }
    return hash;
}

std::vector<std::string> helperArguments(const Check& check, const CheckContext& context) {
    std::vector<std::string> arguments = {check.name, context.libraryPath, std::to_string(context.seed)};
    if (context.parameters) {
        arguments.emplace_back("--params");
        for (const ParameterValue& value : *context.parameters) {
            arguments.push_back(value.serialized());
        }
    }
    return arguments;
}

std::optional<CheckContext> contextFromHelperArguments(const std::vector<std::string>& arguments) {
    if (arguments.size() < 3 || (arguments.size() > 3 && arguments[3] != "--params")) {
        return std::nullopt;
    }
    CheckContext context;
    context.libraryPath = arguments[1];
    char* end = nullptr;
    context.seed = std::strtoull(arguments[2].c_str(), &end, 10);
    if (end == arguments[2].c_str() || *end != '\0') {
        return std::nullopt;
    }
    if (arguments.size() > 3) {
        context.parameters.emplace();
        for (std::size_t i = 4; i < arguments.size(); ++i) {
            const std::optional<ParameterValue> value = ParameterValue::parse(arguments[i]);
            if (!value) {
                return std::nullopt;
            }
            context.parameters->push_back(*value);
        }
    }
    return context;
}

std::vector<CheckResult> runChecks(const std::vector<const Check*>& checks, const ValidationOptions& options,
                                   const std::function<void(const CheckResult&)>& onResult) {
    std::vector<CheckResult> results;
    for (const Check* check : checks) {
        const CheckContext context{options.libraryPath, checkSeed(options.seed, check->name), options.parameters};
        Outcome outcome;
        if (check->countsAllocations) {
            std::vector<std::string> arguments = {options.allocationProgram};
            for (std::string& argument : helperArguments(*check, context)) {
                arguments.push_back(std::move(argument));
            }
            outcome = runProgramIsolated(arguments, options.timeoutSeconds);
        } else {
            outcome = runIsolated([&] { return runCheck(*check, context); }, options.timeoutSeconds);
        }
        results.push_back({check->name, std::move(outcome)});
        onResult(results.back());
    }
    return results;
}

}  // namespace quorbelin::validator
