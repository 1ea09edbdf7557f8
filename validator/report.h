// The validator's report: one line per check and a summary, or one JSON
// document.
#ifndef QUORBELIN_VALIDATOR_REPORT_H
#define QUORBELIN_VALIDATOR_REPORT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "validator/outcome.h"

namespace quorbelin::validator {

struct CheckResult {
    std::string name;
    Outcome outcome;
};

struct Tally {
    int passed = 0;
    int failed = 0;  // FAIL, CRASH and TIMEOUT
    int warned = 0;
    int skipped = 0;
};
Tally tally(const std::vector<CheckResult>& results);

// "STATUS name (ms): detail"
void printLine(std::FILE* out, const CheckResult& result);
// "N passed, N failed", with warnings and skips when there are any.
void printSummary(std::FILE* out, const Tally& counts);
// leftOut: the checks not run because they test another block's behaviour.
void printJson(std::FILE* out, const std::string& library, uint64_t seed, const std::vector<CheckResult>& results,
               const std::vector<std::string>& leftOut = {});

}  // namespace quorbelin::validator

#endif
