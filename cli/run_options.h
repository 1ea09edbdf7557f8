// The `run` command's options and help text, and their conversion into
// RunOptions once CLI11 has parsed them.
#ifndef QUORBELIN_CLI_RUN_OPTIONS_H
#define QUORBELIN_CLI_RUN_OPTIONS_H

#include <CLI/CLI.hpp>

#include <string>

#include "cli/parameter_options.h"
#include "cli/run_command.h"

namespace quorbelin::cli {

// What the command line holds for `run`: options CLI11 can set directly,
// and the texts this tool parses itself (so that its messages name them).
struct RunCommandLine {
    RunOptions options;
    ParameterTexts parameters;
    std::string rate;
    std::string frame;
    std::string lookahead = "0";
    std::string memoryLimit;
    std::string encoding;
};

CLI::App* addRunCommand(CLI::App& app, RunCommandLine& line);

// Throws UsageError naming the option at fault.
RunOptions toRunOptions(const RunCommandLine& line, const std::string& blockPath);

}  // namespace quorbelin::cli

#endif
