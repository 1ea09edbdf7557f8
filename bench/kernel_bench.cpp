// The kernel called directly on plain arrays: the cost of the delay itself.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_setups.h"
#include "engine/kernel_fractional_delay.h"

namespace quorbelin::bench {
namespace {

void kernelPerSample(benchmark::State& state, Interpolation interpolation, bool complex) {
    const std::size_t parts = complex ? 2 : 1;
    const auto channels = static_cast<int32_t>(state.range(0));
    const auto frame = static_cast<int32_t>(state.range(1));
    const FilterShape shape = filterShape(interpolation);
    const std::vector<double> taps = filterTaps(shape);
    const int32_t halfLength = shape.rows / 2;
    const DelayLineSizes sizes{channels, frame, benchMaxDelay, halfLength,
                               benchMaxDelay + halfLength + 1};
    InterpolationFilter filter;
    if (shape.rows > 0) {
        filter = {taps.data(), shape.rows, shape.phases};
    }

    const std::size_t elements = static_cast<std::size_t>(channels) * frame;
    std::vector<double> buffer = signalValues(static_cast<std::size_t>(channels) * sizes.bufferLength * parts);
    const std::vector<double> input = signalValues(elements * parts);
    std::vector<const double*> inputRefs(elements);
    for (std::size_t e = 0; e < elements; ++e) {
        inputRefs[e] = &input[e * parts];
    }
    const std::vector<double> delays = delayTable(frame, delayTableFrames);
    std::vector<const double*> delayRefs(delays.size());
    for (std::size_t e = 0; e < delays.size(); ++e) {
        delayRefs[e] = &delays[e];
    }
    std::vector<double> output(elements * parts);
    int32_t writeIndex = 0;
    int32_t row = 0;

    for (auto _ : state) {
        const FrameSignals signals{inputRefs.data(), delayRefs.data() + static_cast<std::size_t>(row) * frame,
                                   output.data()};
        if (complex) {
            delayFrameComplex(sizes, filter, DelayMode::perSample, signals, buffer.data(), writeIndex);
        } else {
            delayFrameReal(sizes, filter, DelayMode::perSample, signals, buffer.data(), writeIndex);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        row = (row + 1) % delayTableFrames;
    }
    reportPerSample(state, static_cast<int64_t>(elements));
}

BENCHMARK_CAPTURE(kernelPerSample, linear_real, Interpolation::linear, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(kernelPerSample, linear_complex, Interpolation::linear, true)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(kernelPerSample, fir8x32_real, Interpolation::fir8x32, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(kernelPerSample, fir8x32_complex, Interpolation::fir8x32, true)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(kernelPerSample, fir32x64_real, Interpolation::fir32x64, false)->Apply(channelAndFrameSizes);
BENCHMARK_CAPTURE(kernelPerSample, fir32x64_complex, Interpolation::fir32x64, true)->Apply(channelAndFrameSizes);

}  // namespace
}  // namespace quorbelin::bench
