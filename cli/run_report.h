// What a run tells its user on standard error: warnings before it starts
// about delays the block will not serve as asked (below the filter's reach,
// clamped), and one summary line at the end.
#ifndef QUORBELIN_CLI_RUN_REPORT_H
#define QUORBELIN_CLI_RUN_REPORT_H

#include <optional>
#include <string>
#include <vector>

#include "cli/delay_plan.h"
#include "cli/delay_source.h"
#include "cli/delay_stream.h"

namespace quorbelin::cli {

// One text per warning, without the program name.
std::vector<std::string> runWarnings(const DelayRunPlan& plan, const DelaySource& delays);

// The summary: samples and channels, the delay range used, the counts, the
// time and the multiple of real time (when the rate is known).
std::string summaryLine(const RunCounts& counts, int32_t channels, int64_t clipped, std::optional<double> rate);

}  // namespace quorbelin::cli

#endif
