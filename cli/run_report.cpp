#include "cli/run_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorbelin::cli {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// "the delay is", "12 of 4000 delays are" or "about 35% of the delays are".
std::string share(int64_t count, const DelayCensus& census) {
    if (census.values == 1) {
        return "the delay (every sample) is";
    }
    if (census.estimated) {
        const double percent = 100.0 * static_cast<double>(count) / static_cast<double>(census.values);
        return "about " + number(percent < 1.0 ? std::ceil(percent * 10.0) / 10.0 : std::round(percent)) +
               "% of the delays are";
    }
    return std::to_string(count) + " of " + std::to_string(census.values) + " delays are";
}

}  // namespace

std::vector<std::string> runWarnings(const DelayRunPlan& plan, const DelaySource& delays) {
    std::vector<std::string> warnings;
    const double lowest = plan.lookahead == 0 ? 0.0 : -static_cast<double>(plan.lookahead);
    const double reach = plan.filtered() ? plan.filterReach() : lowest;
    const DelayCensus census = delays.census({std::max(reach, lowest), lowest, plan.maxDelay});
    if (plan.filtered() && reach > lowest && census.belowReach > 0) {
        const std::string fix = plan.lookahead == 0 ? "--lookahead auto" : "a larger --lookahead";
        warnings.push_back(share(census.belowReach, census) + " below " + number(reach) + " samples, where the " +
                           std::to_string(plan.block.filter->rows) + "-tap filter cannot reach (H - 1 = " +
                           std::to_string(plan.halfLength - 1) +
                           (plan.lookahead > 0 ? ", less the lookahead of " + std::to_string(plan.lookahead) : "") +
                           "): those samples are interpolated linearly. Add " + fix +
                           " to give every delay from 0 on the whole filter");
    }
    if (census.below > 0) {
        warnings.push_back(share(census.below, census) + " below " + number(lowest) +
                           " samples and act as " + number(lowest) + " (" +
                           (plan.lookahead == 0 ? "an advance needs --lookahead" : "clamped") + ")");
    }
    if (census.above > 0) {
        warnings.push_back(share(census.above, census) + " above the maximum delay of " + number(plan.maxDelay) +
                           " samples and act as " + number(plan.maxDelay) + " (--max-delay)");
    }
    return warnings;
}

std::string summaryLine(const RunCounts& counts, int32_t channels, int64_t clipped, std::optional<double> rate) {
    std::string line = std::to_string(counts.outputSamples) + " samples x " + std::to_string(channels) +
                       " channel" + (channels == 1 ? "" : "s");
    if (counts.lowestDelay <= counts.highestDelay) {
        line += ", delay " + number(counts.lowestDelay) + " to " + number(counts.highestDelay) + " samples";
    }
    line += "; of " + std::to_string(counts.values) + " values: " + std::to_string(counts.clamped) + " clamped, " +
            std::to_string(counts.belowFilterReach) + " linear below the filter's reach, " +
            std::to_string(counts.nonfiniteDelays) + " with a non-finite delay, " + std::to_string(clipped) +
            " clipped; " + std::to_string(counts.nonfiniteInput) + " non-finite input values; ";
    char time[64];
    std::snprintf(time, sizeof time, "%.2f s", counts.seconds);
    line += time;
    if (rate && counts.seconds > 0.0) {
        std::snprintf(time, sizeof time, ", %.1fx real time",
                      static_cast<double>(counts.outputSamples) / *rate / counts.seconds);
        line += time;
    }
    return line;
}

}  // namespace quorbelin::cli
