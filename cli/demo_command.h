// `quorbelin demo`: a self-contained showcase. It makes a short stereo test
// signal, delays it by a modulated fractional delay with linear
// interpolation and with a windowed-sinc polyphase filter (each a real run
// of the block, as `quorbelin run` does it), writes audio, CSV and plots,
// and reports each interpolation's error against the exactly delayed
// analytic signal and its throughput; then a short table of what the
// analysis promises for a few interpolators, an auto design among them.
#ifndef QUORBELIN_CLI_DEMO_COMMAND_H
#define QUORBELIN_CLI_DEMO_COMMAND_H

#include <cstdio>
#include <string>

namespace quorbelin::cli {

struct DemoOptions {
    std::string folder = "demo-out";
    std::string blockPath;
};

// Prints the table to `out`. Throws FileError, UsageError or BlockError.
void runDemo(const DemoOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
