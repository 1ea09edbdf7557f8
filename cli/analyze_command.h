// `quorbelin analyze FILTER`: the accuracy of an interpolator as the block
// applies it (see filter_analysis.h), as text, JSON or a plot.
#ifndef QUORBELIN_CLI_ANALYZE_COMMAND_H
#define QUORBELIN_CLI_ANALYZE_COMMAND_H

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quorbelin::cli {

struct AnalyzeOptions {
    std::string filter;
    std::vector<double> bands;        // besides the standard ones
    std::optional<double> atHertz;    // with rate and fraction: the response at one point
    std::optional<double> rate;
    std::optional<double> fraction;
    std::string plot;                 // PNG or SVG file, or empty
    bool json = false;
};

// Adds the subcommand and its options to the tool's command line.
CLI::App* addAnalyzeCommand(CLI::App& app, AnalyzeOptions& options);

// Prints the analysis to `out`. Throws UsageError, FileError or
// UnreachableDesign (for an auto design).
void runAnalyze(const AnalyzeOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
