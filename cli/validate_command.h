// `quorbelin validate PATH.so`: loads any block library of this host in the
// stand-in host and runs the validator's checks on it, each in a process of
// its own, one line per check and a closing summary.
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
    std::optional<uint64_t> seed;  // drawn at random (and printed) when absent
    double timeoutSeconds = 120.0;
    bool json = false;
    bool list = false;
};

// Adds the subcommand and its options to the tool's command line.
CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options);

// Runs the selected checks and prints the report; returns the exit status:
// 0 when no check failed, crashed or timed out, 1 otherwise, 2 when the
// filters select nothing.
int runValidate(const ValidateOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
