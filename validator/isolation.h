// Runs one check in a child process of its own, so that a check that crashes
// the block, or never returns, costs only its own verdict.
#ifndef QUORBELIN_VALIDATOR_ISOLATION_H
#define QUORBELIN_VALIDATOR_ISOLATION_H

#include <functional>
#include <string>
#include <vector>

#include "validator/outcome.h"

namespace quorbelin::validator {

// Tells the parent what the child is doing, so that a crash can say where it
// happened. A no-op outside an isolated child.
void announceStage(const std::string& stage);

// Forks, runs `check` in the child and returns its outcome; CRASH (with the
// signal and the last announced stage) when the child dies, TIMEOUT when it
// runs longer than timeoutSeconds. milliseconds is filled in either way.
Outcome runIsolated(const std::function<Outcome()>& check, double timeoutSeconds);

// The descriptor a program started by runProgramIsolated reports on.
inline constexpr int reportDescriptor = 3;

// Runs a program (arguments[0] its path) that reports one check's stages
// and outcome on reportDescriptor through runAndReport; the verdicts on a
// crash or a timeout are those of runIsolated.
Outcome runProgramIsolated(const std::vector<std::string>& arguments, double timeoutSeconds);

// Runs the check in this process, reports its stages and outcome on fd and
// ends the process.
[[noreturn]] void runAndReport(const std::function<Outcome()>& check, int fd);

}  // namespace quorbelin::validator

#endif
