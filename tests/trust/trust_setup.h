// What the misuse, leak and long-run suites share: the block under test and
// its parameters for a delay of whole samples through the stand-in host.
#ifndef QUORBELIN_TESTS_TRUST_TRUST_SETUP_H
#define QUORBELIN_TESTS_TRUST_TRUST_SETUP_H

#include <vector>

#include "host/simulation.h"
#include "tests/support/block_path.h"

namespace quorbelin::testing {

inline const vostrel::BlockLibrary& trustedBlock() {
    static const vostrel::BlockLibrary library(blockLibraryPath());
    return library;
}

struct DelayLine {
    double maxDelay = 16.0;
    // Taps of one column per phase; empty for linear interpolation.
    int32_t filterRows = 0;
    std::vector<double> filter;
    double channels = 2.0;
    bool perChannel = true;
};

inline std::vector<vostrel::Array> parametersOf(const DelayLine& line) {
    std::vector<vostrel::Array> parameters;
    parameters.push_back(vostrel::Array::scalar(line.maxDelay));
    parameters.push_back(line.filter.empty()
                             ? vostrel::Array::empty()
                             : vostrel::Array::matrix(line.filterRows,
                                                      static_cast<int32_t>(line.filter.size()) / line.filterRows,
                                                      line.filter));
    parameters.push_back(vostrel::Array::scalar(0.0));
    parameters.push_back(vostrel::Array::scalar(line.channels));
    parameters.push_back(vostrel::Array::scalar(line.perChannel ? 1.0 : 0.0));
    return parameters;
}

inline vostrel::Connections connectionsOf(int32_t dataWidth, int32_t delayWidth, bool complex = false) {
    vostrel::Connections connections;
    connections.inputs = {{dataWidth, complex ? 1 : 0, 1.0, 0.0}, {delayWidth, 0, 1.0, 0.0}};
    return connections;
}

// Sanitized builds run the long loops shorter: the instrumentation is what
// they are there for, not the length.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool sanitizedBuild = true;
#else
inline constexpr bool sanitizedBuild = false;
#endif

}  // namespace quorbelin::testing

#endif
