// Runs one check in a child process of its own, so that a check that crashes
// the block, or never returns, costs only its own verdict.
#ifndef QUORBELIN_CLI_VALIDATE_ISOLATION_H
#define QUORBELIN_CLI_VALIDATE_ISOLATION_H

#include <functional>
#include <string>

#include "cli/validate_outcome.h"

namespace quorbelin::cli::validate {

// Tells the parent what the child is doing, so that a crash can say where it
// happened. A no-op outside an isolated child.
void announceStage(const std::string& stage);

// Forks, runs `check` in the child and returns its outcome; CRASH (with the
// signal and the last announced stage) when the child dies, TIMEOUT when it
// runs longer than timeoutSeconds. milliseconds is filled in either way.
Outcome runIsolated(const std::function<Outcome()>& check, double timeoutSeconds);

}  // namespace quorbelin::cli::validate

#endif
