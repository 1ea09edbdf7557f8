// A drawing of an interpolator's accuracy: the error over frequency for
// several fractions, and the worst and mean SNR over the band.
#ifndef QUORBELIN_CLI_ANALYSIS_PLOT_H
#define QUORBELIN_CLI_ANALYSIS_PLOT_H

#include <string>

#include "cli/filter_analysis.h"

namespace quorbelin::cli {

// Draws into target (.png or .svg), which appears only when complete.
// `worstFraction` is drawn besides a few fixed fractions (pass the worst
// fraction of a band of interest). Throws UsageError or FileError.
void plotAnalysis(const Interpolator& filter, const std::string& name, double worstFraction,
                  const std::string& target);

}  // namespace quorbelin::cli

#endif
