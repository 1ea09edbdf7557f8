// What one validator check concludes: a status, a short detail and how long
// it ran. Checks return PASS, FAIL, WARN or SKIP themselves; CRASH and
// TIMEOUT are the isolating parent's verdicts on a check that never returned.
#ifndef QUORBELIN_VALIDATOR_OUTCOME_H
#define QUORBELIN_VALIDATOR_OUTCOME_H

#include <string>

namespace quorbelin::validator {

enum class Status { pass, fail, warn, skip, crash, timeout };

const char* statusName(Status status);
// FAIL, CRASH and TIMEOUT: the library is not fit to load in a model.
bool isFailure(Status status);

struct Outcome {
    Status status = Status::pass;
    std::string detail;
    double milliseconds = 0.0;

    static Outcome pass(std::string detail = {}) { return {Status::pass, std::move(detail), 0.0}; }
    static Outcome fail(std::string detail) { return {Status::fail, std::move(detail), 0.0}; }
    static Outcome warn(std::string detail) { return {Status::warn, std::move(detail), 0.0}; }
    static Outcome skip(std::string detail) { return {Status::skip, std::move(detail), 0.0}; }
};

}  // namespace quorbelin::validator

#endif
