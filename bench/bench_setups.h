// What the benchmarks share: the interpolators measured, the channel and
// frame sizes, delay tables that change at every sample, and the figure
// reported (ns per output sample).
#ifndef QUORBELIN_BENCH_BENCH_SETUPS_H
#define QUORBELIN_BENCH_BENCH_SETUPS_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace quorbelin::bench {

enum class Interpolation { linear, fir8x32, fir32x64 };

struct FilterShape {
    int32_t rows = 0;    // 0: linear interpolation (empty filter)
    int32_t phases = 0;
};

FilterShape filterShape(Interpolation interpolation);

// M x N windowed-sinc taps, column-major: phase p delays by a further p / N.
std::vector<double> filterTaps(FilterShape shape);

// Long enough that the 32-tap window always fits behind the delays used.
inline constexpr int32_t benchMaxDelay = 100;

// frames rows of width delays each, all different, in [20, 90]: every
// sample of every frame sees a new fractional delay.
std::vector<double> delayTable(int32_t width, int32_t frames);

// Rows in a delay table; a power of two well past any cache-line effects.
inline constexpr int32_t delayTableFrames = 64;

// Deterministic pseudo-random values in [-1, 1).
std::vector<double> signalValues(std::size_t count);

// Reports the time per output sample (and samples per second) for samples
// outputs per iteration.
void reportPerSample(benchmark::State& state, int64_t samples);

// (channels, frame size): (1, 1), (8, 64), (64, 256).
void channelAndFrameSizes(benchmark::internal::Benchmark* benchmark);

}  // namespace quorbelin::bench

#endif
