// The kernel called directly on plain arrays, the cost of the delay itself:
// the block's kernel ("fast") and the straightforward implementation
// ("reference") on the same work, in the same process.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_registry.h"
#include "bench/bench_setups.h"
#include "bench/reference_kernel.h"
#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/paths.h"

namespace quorbelin::bench {
namespace {

using FrameFunction = void (*)(const DelayLineSizes&, const InterpolationFilter&, DelayMode,
                               const FrameSignals&, double*, int32_t&);

struct KernelContender {
    const char* name;
    FrameFunction real;
    FrameFunction complex;
};

void kernelPerSample(benchmark::State& state, const KernelContender& kernel, const Work& work) {
    const std::size_t parts = work.complex ? 2 : 1;
    const FilterShape shape = filterShape(work.interpolation);
    const std::vector<double> taps = filterTaps(shape);
    const int32_t halfLength = shape.rows / 2;
    const DelayLineSizes sizes{work.channels, work.frame, benchMaxDelay, halfLength,
                               benchMaxDelay + halfLength + 1};
    InterpolationFilter filter;
    if (shape.rows > 0) {
        filter = {taps.data(), shape.rows, shape.phases};
    }

    const std::size_t elements = static_cast<std::size_t>(work.channels) * work.frame;
    std::vector<double> buffer =
        signalValues(static_cast<std::size_t>(work.channels) * sizes.bufferLength * parts);
    const std::vector<double> input = signalValues(elements * parts);
    std::vector<const double*> inputRefs(elements);
    for (std::size_t e = 0; e < elements; ++e) {
        inputRefs[e] = &input[e * parts];
    }
    const std::vector<double> delays = delayTable(work.frame, delayTableFrames);
    std::vector<const double*> delayRefs(delays.size());
    for (std::size_t e = 0; e < delays.size(); ++e) {
        delayRefs[e] = &delays[e];
    }
    std::vector<double> output(elements * parts);
    const FrameFunction run = work.complex ? kernel.complex : kernel.real;
    int32_t writeIndex = 0;
    int32_t row = 0;

    for (auto _ : state) {
        const FrameSignals signals{
            inputRefs.data(), delayRefs.data() + static_cast<std::size_t>(row) * work.frame,
            output.data()};
        run(sizes, filter, DelayMode::perSample, signals, buffer.data(), writeIndex);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        row = (row + 1) % delayTableFrames;
    }
    reportPerSample(state, static_cast<int64_t>(elements));
}

template <KernelPath Path>
void realOn(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
            const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrameRealOn(Path, sizes, filter, mode, signals, buffer, writeIndex);
}

template <KernelPath Path>
void complexOn(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
               const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrameComplexOn(Path, sizes, filter, mode, signals, buffer, writeIndex);
}

}  // namespace

void registerKernelBenchmarks() {
    static const KernelContender contenders[] = {
        {"fast", &delayFrameReal, &delayFrameComplex},
        {"reference", &reference::delayFrameReal, &reference::delayFrameComplex},
    };
    for (const Work& work : kernelWorks()) {
        for (const KernelContender& kernel : contenders) {
            benchmark::RegisterBenchmark((workName(work) + "/" + kernel.name).c_str(),
                                         [&kernel, work](benchmark::State& state) {
                                             kernelPerSample(state, kernel, work);
                                         });
        }
    }
    // The other paths this CPU runs, for the record (not in the table): what
    // a machine without the widest units gets.
    static const KernelContender paths[] = {
        {"path_avx2", &realOn<KernelPath::avx2>, &complexOn<KernelPath::avx2>},
        {"path_portable", &realOn<KernelPath::portable>, &complexOn<KernelPath::portable>},
    };
    for (const KernelContender& kernel : paths) {
        for (Interpolation interpolation :
             {Interpolation::linear, Interpolation::fir8x32, Interpolation::fir32x64}) {
            const Work work{interpolation, false, 8, 64};
            benchmark::RegisterBenchmark((workName(work) + "/" + kernel.name).c_str(),
                                         [&kernel, work](benchmark::State& state) {
                                             kernelPerSample(state, kernel, work);
                                         });
        }
    }
}

}  // namespace quorbelin::bench
