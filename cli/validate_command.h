// `quorbelin validate PATH.so`: the validator's checks on any block library
// of this host, one line per check and a closing summary. The checks and
// their running live in validator/; this is the command line over them.
#ifndef QUORBELIN_CLI_VALIDATE_COMMAND_H
#define QUORBELIN_CLI_VALIDATE_COMMAND_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quorbelin::cli {

struct ValidateOptions {
    std::string libraryPath;
    // Shell patterns on check names; with none given every check runs.
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    // The block's parameter values in order: each a number or a CSV matrix
    // file. None: the built-in scenarios of a block known by name.
    std::vector<std::string> parameters;
    std::optional<uint64_t> seed;  // drawn at random (and printed) when absent
    double timeoutSeconds = 120.0;
    bool json = false;
    bool list = false;
};

// Adds the subcommand and its options to the tool's command line.
CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options);

// Runs the selected checks and prints the report; returns the exit status:
// 0 when no check failed, crashed or timed out, 1 otherwise. UsageError when
// the filters select nothing or the parameter values do not fit the block.
int runValidate(const ValidateOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
