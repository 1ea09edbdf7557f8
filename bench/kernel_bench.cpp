// The kernel called directly on plain arrays, the cost of the delay itself:
// the block's kernel on the path chosen for this CPU ("fast"), each of its
// paths forced ("path_avx512", "path_avx2", "path_portable"), the baseline
// and the kernel as first written ("reference") on the same work, in the
// same process.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/baseline_kernel.h"
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
    PortSignals port = portSignals(work);
    const FrameFunction run = work.complex ? kernel.complex : kernel.real;
    int32_t writeIndex = 0;
    int32_t row = 0;

    for (auto _ : state) {
        const FrameSignals signals{port.inputRefs.data(), port.delaysOfFrame(row, work.frame),
                                   port.output.data()};
        run(sizes, filter, DelayMode::perSample, signals, buffer.data(), writeIndex);
        benchmark::DoNotOptimize(port.output.data());
        benchmark::ClobberMemory();
        row = row + 1 == port.table.frames ? 0 : row + 1;
    }
    reportPerSample(state, static_cast<int64_t>(elements));
}

// The path with this CPU's gather setting, or without gathers as a CPU
// whose gathers are slow runs it.
template <KernelPath Path, bool WithoutGathers = false>
void realOn(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
            const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrameRealOn({Path, !WithoutGathers && chosenKernel().gathers}, sizes, filter, mode,
                     signals, buffer, writeIndex);
}

template <KernelPath Path, bool WithoutGathers = false>
void complexOn(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
               const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrameComplexOn({Path, !WithoutGathers && chosenKernel().gathers}, sizes, filter, mode,
                        signals, buffer, writeIndex);
}

}  // namespace

void registerKernelBenchmarks() {
    static const KernelContender contenders[] = {
        {"fast", &delayFrameReal, &delayFrameComplex},
        {"baseline", &baseline::delayFrameReal, &baseline::delayFrameComplex},
    };
    static const KernelContender reference = {"reference", &reference::delayFrameReal,
                                              &reference::delayFrameComplex};
    struct ForcedPath {
        KernelPath path;
        KernelContender kernel;
        bool withoutGathers = false;  // left out where this CPU gathers nothing
    };
    static const ForcedPath paths[] = {
        {KernelPath::avx512, {"path_avx512", &realOn<KernelPath::avx512>, &complexOn<KernelPath::avx512>}},
        // What a CPU with AVX-512 but slow gathers (AMD Zen 4 and 5) runs;
        // the same as path_avx512 where this CPU gathers nothing.
        {KernelPath::avx512,
         {"path_avx512_nogathers", &realOn<KernelPath::avx512, true>,
          &complexOn<KernelPath::avx512, true>},
         true},
        {KernelPath::avx2, {"path_avx2", &realOn<KernelPath::avx2>, &complexOn<KernelPath::avx2>}},
        {KernelPath::portable,
         {"path_portable", &realOn<KernelPath::portable>, &complexOn<KernelPath::portable>}},
    };
    auto add = [](const Work& work, const KernelContender& kernel) {
        benchmark::RegisterBenchmark((workName(work) + "/" + kernel.name).c_str(),
                                     [&kernel, work](benchmark::State& state) {
                                         kernelPerSample(state, kernel, work);
                                     });
    };
    for (const Work& work : kernelWorks()) {
        for (const KernelContender& kernel : contenders) {
            add(work, kernel);
        }
        add(work, reference);
        // Every path forced, as a CPU that gets it would run it; the paths
        // this CPU lacks are left out.
        if (work.frame > 1 && work.pattern == DelayPattern::jumping && !work.shuffled) {
            for (const ForcedPath& forced : paths) {
                const bool sameAsChosen = forced.withoutGathers && !chosenKernel().gathers;
                if (kernelPathAvailable(forced.path) && !sameAsChosen) {
                    add(work, forced.kernel);
                }
            }
        }
    }
}

}  // namespace quorbelin::bench
