// The whole output call as the host makes it: kivFunction with method code
// 104 on a started block in the stand-in host. The difference to the kernel
// benchmark is the cost of the entry point, the parameter reads and checks,
// and the host's call wrapper.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setups.h"
#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace quorbelin::bench {
namespace {

constexpr double initializeConditionsCode = 102;
constexpr double computeOutputsCode = 104;
constexpr double releaseCode = 107;
constexpr double setWorkWidthsCode = 111;
constexpr double startCode = 117;

const vostrel::BlockLibrary& blockLibrary() {
    static const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    return library;
}

// Runs the life cycle up to the first output call; the message of the step
// that failed, or "". Release is the caller's, also after a failure.
std::string startBlock(vostrel::HostBlock& block, const vostrel::Connections& connections) {
    const vostrel::BlockLibrary& library = blockLibrary();
    try {
        vostrel::negotiate(library, block, connections);
    } catch (const vostrel::SimulationError& error) {
        return error.what();
    }
    if (std::string message = vostrel::callMethod(library, block, setWorkWidthsCode);
        !message.empty()) {
        return message;
    }
    try {
        block.allocateWorkVectors();
        block.allocateSignals();
    } catch (const vostrel::HostError& error) {
        return error.what();
    }
    for (double code : {startCode, initializeConditionsCode}) {
        if (std::string message = vostrel::callMethod(library, block, code); !message.empty()) {
            return message;
        }
    }
    return "";
}

void entryPointPerSample(benchmark::State& state, Interpolation interpolation, bool complex) {
    using vostrel::Array;
    const std::size_t parts = complex ? 2 : 1;
    const auto channels = static_cast<int32_t>(state.range(0));
    const auto frame = static_cast<int32_t>(state.range(1));
    const FilterShape shape = filterShape(interpolation);

    std::vector<Array> parameters;
    parameters.push_back(Array::scalar(benchMaxDelay));
    parameters.push_back(shape.rows > 0 ? Array::matrix(shape.rows, shape.phases, filterTaps(shape))
                                        : Array::empty());
    parameters.push_back(Array::scalar(0.0));
    parameters.push_back(Array::scalar(channels));
    parameters.push_back(Array::scalar(0.0));
    vostrel::HostBlock block("quorbelin");
    block.setParameters(std::move(parameters));
    vostrel::Connections connections;
    connections.data = {channels * frame, complex ? 1 : 0, 1.0, 0.0};
    connections.delay = {frame, 0, 1.0, 0.0};
    if (const std::string message = startBlock(block, connections); !message.empty()) {
        vostrel::callMethod(blockLibrary(), block, releaseCode);
        state.SkipWithError(message.c_str());
        return;
    }

    const std::size_t elements = static_cast<std::size_t>(channels) * frame;
    const std::vector<double> input = signalValues(elements * parts);
    std::copy(input.begin(), input.end(), block.inputData(0));
    const std::vector<double> delays = delayTable(frame, delayTableFrames);
    double* delayPort = block.inputData(1);
    int32_t row = 0;

    for (auto _ : state) {
        const double* frameDelays = delays.data() + static_cast<std::size_t>(row) * frame;
        std::copy(frameDelays, frameDelays + frame, delayPort);
        const std::string message = vostrel::callMethod(blockLibrary(), block, computeOutputsCode);
        if (!message.empty()) {
            state.SkipWithError(message.c_str());
            break;
        }
        benchmark::DoNotOptimize(block.outputData(0));
        row = (row + 1) % delayTableFrames;
    }
    vostrel::callMethod(blockLibrary(), block, releaseCode);
    reportPerSample(state, static_cast<int64_t>(elements));
}

BENCHMARK_CAPTURE(entryPointPerSample, linear_real, Interpolation::linear, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(entryPointPerSample, linear_complex, Interpolation::linear, true)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(entryPointPerSample, fir8x32_real, Interpolation::fir8x32, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(entryPointPerSample, fir8x32_complex, Interpolation::fir8x32, true)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(entryPointPerSample, fir32x64_real, Interpolation::fir32x64, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(entryPointPerSample, fir32x64_complex, Interpolation::fir32x64, true)->Apply(channelAndFrameSizes);

}  // namespace
}  // namespace quorbelin::bench
