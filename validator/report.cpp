#include "validator/report.h"

#include <cmath>

#include "validator/json_text.h"

namespace quorbelin::validator {

Tally tally(const std::vector<CheckResult>& results) {
    Tally counts;
    for (const CheckResult& result : results) {
        switch (result.outcome.status) {
            case Status::pass: ++counts.passed; break;
            case Status::warn: ++counts.warned; break;
            case Status::skip: ++counts.skipped; break;
            default: ++counts.failed; break;
        }
    }
    return counts;
}

void printLine(std::FILE* out, const CheckResult& result) {
    std::fprintf(out, "%s %s (%.0f ms): %s\n", statusName(result.outcome.status), result.name.c_str(),
                 std::round(result.outcome.milliseconds), result.outcome.detail.c_str());
    std::fflush(out);
}

void printSummary(std::FILE* out, const Tally& counts) {
    std::fprintf(out, "%d passed, %d failed", counts.passed, counts.failed);
    if (counts.warned > 0 || counts.skipped > 0) {
        std::fprintf(out, " (%d warned, %d skipped)", counts.warned, counts.skipped);
    }
    std::fprintf(out, "\n");
}

void printJson(std::FILE* out, const std::string& library, uint64_t seed, const std::vector<CheckResult>& results,
               const std::vector<std::string>& leftOut) {
    const Tally counts = tally(results);
    std::fprintf(out, "{\n  \"library\": %s,\n  \"seed\": %llu,\n  \"checks\": [", jsonString(library).c_str(),
                 static_cast<unsigned long long>(seed));
    for (std::size_t i = 0; i < results.size(); ++i) {
        const CheckResult& result = results[i];
        std::fprintf(out, "%s\n    {\"name\": %s, \"status\": \"%s\", \"ms\": %.1f, \"detail\": %s}",
                     i == 0 ? "" : ",", jsonString(result.name).c_str(), statusName(result.outcome.status),
                     result.outcome.milliseconds, jsonString(result.outcome.detail).c_str());
    }
    std::fprintf(out, "\n  ],\n  \"notRun\": [");
    for (std::size_t i = 0; i < leftOut.size(); ++i) {
        std::fprintf(out, "%s%s", i == 0 ? "" : ", ", jsonString(leftOut[i]).c_str());
    }
    std::fprintf(out, "],\n  \"passed\": %d,\n  \"failed\": %d,\n  \"warned\": %d,\n  \"skipped\": %d\n}\n",
                 counts.passed, counts.failed, counts.warned, counts.skipped);
}

}  // namespace quorbelin::validator
