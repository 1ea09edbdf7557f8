// Runs every benchmark, each several times with the repetitions interleaved
// at random (so a busy moment of the machine spreads over all contenders),
// and ends with the table of targets. Flags given on the command line take
// precedence over these defaults.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/bench_table.h"
#include "engine/kernel/paths.h"

namespace {

// The "model name" line of /proc/cpuinfo, or "unknown".
std::string cpuModelName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos && colon + 2 <= line.size()) {
                return line.substr(colon + 2);
            }
        }
    }
    return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments{argv[0], "--benchmark_repetitions=15",
                                       "--benchmark_enable_random_interleaving=true",
                                       "--benchmark_min_time=0.05"};
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    int count = static_cast<int>(pointers.size());
    benchmark::Initialize(&count, pointers.data());
    if (benchmark::ReportUnrecognizedArguments(count, pointers.data())) {
        return 2;
    }
    quorbelin::bench::registerKernelBenchmarks();
    quorbelin::bench::registerEntryPointBenchmarks();
    quorbelin::bench::registerPeerBenchmarks();
    quorbelin::bench::registerLimitBenchmarks();

    quorbelin::bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nCPU: %s; the block's kernel path here: %s\nBuild: %s\n",
                cpuModelName().c_str(), quorbelin::kernelPathName(quorbelin::fastestKernelPath()),
                QUORBELIN_BUILD_DESCRIPTION);
    quorbelin::bench::printTargetTable(reporter.values(), stdout);
    return 0;
}
