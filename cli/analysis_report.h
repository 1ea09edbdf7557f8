// An interpolator's analysis as `quorbelin analyze` shows it: a short text
// for people, or a JSON object for programs.
#ifndef QUORBELIN_CLI_ANALYSIS_REPORT_H
#define QUORBELIN_CLI_ANALYSIS_REPORT_H

#include <cstdio>
#include <optional>
#include <string>

#include "cli/filter_analysis.h"

namespace quorbelin::cli {

// The response at one frequency and fraction, as asked for.
struct PointReport {
    double hertz = 0.0;
    double rate = 0.0;
    double fraction = 0.0;
    PointResponse response{};
};

struct AnalysisReport {
    std::string filter;        // as the user named it
    std::string chosenDesign;  // for auto:DB:B, the design chosen; else empty
    FilterAnalysis analysis;
    std::optional<PointReport> point;
};

void printAnalysisText(const AnalysisReport& report, std::FILE* out);

// One JSON object on one line: "filter", "design" (for auto), "rows",
// "phases" (null for linear interpolation), "bytes", "min_delay",
// "dc_gain_error", "bands" (a list of {"band", "worst_snr_db",
// "mean_snr_db", "worst_fraction"}) and, when asked, "at" ({"hz", "rate",
// "fraction", "gain_db", "phase_delay"}). Numbers that are not finite are
// null.
std::string analysisJson(const AnalysisReport& report);

}  // namespace quorbelin::cli

#endif
