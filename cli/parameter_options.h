// The block parameters as typed on the command line, for the commands that
// take them (run, info). Numbers are parsed after CLI11 so that values the
// block refuses (0, 2.5, nan) still reach the block.
#ifndef QUORBELIN_CLI_PARAMETER_OPTIONS_H
#define QUORBELIN_CLI_PARAMETER_OPTIONS_H

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

#include "cli/block_parameters.h"

namespace quorbelin::cli {

struct ParameterTexts {
    std::string maxDelay;
    std::string filter = "linear";
    std::string initialConditions = "0";
    std::string channels;
    bool perChannel = false;
};

void addParameterOptions(CLI::App& command, ParameterTexts& texts, const std::string& channelsHelp);

// Nothing for an empty text; UsageError naming the option when the text is
// not a number.
std::optional<double> parseOptionalNumber(const std::string& text, const char* option);

BlockParameterOptions toParameterOptions(const ParameterTexts& texts);

}  // namespace quorbelin::cli

#endif
