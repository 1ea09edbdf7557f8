// `quorbelin analyze FILTER`: the accuracy of an interpolator as the block
// applies it (see filter_analysis.h), as text, JSON or a plot.
#ifndef QUORBELIN_CLI_ANALYZE_COMMAND_H
#define QUORBELIN_CLI_ANALYZE_COMMAND_H

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/analysis_report.h"
#include "cli/block_parameters.h"

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

// Refuses (UsageError) a band outside (0, 1], a fraction of the Nyquist rate.
void checkAnalysisBands(std::span<const double> bands);

// What `quorbelin analyze NAME` reports, for the filter NAME resolved to:
// refuses bands outside (0, 1] (UsageError) and a matrix that is empty or
// not finite (FileError naming NAME). Prints nothing; the same report feeds
// the text and the JSON, for the tool and the Python module alike.
AnalysisReport analysisReportFor(const std::string& name, const NamedFilter& filter,
                                 std::span<const double> extraBands);

// Prints the analysis to `out`. Throws UsageError, FileError or
// UnreachableDesign (for an auto design).
void runAnalyze(const AnalyzeOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
