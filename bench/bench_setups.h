// What the benchmarks share: the work measured (interpolator, data kind,
// channels and frame size), delay tables that change at every sample, and
// the figure reported (time per output sample).
#ifndef QUORBELIN_BENCH_BENCH_SETUPS_H
#define QUORBELIN_BENCH_BENCH_SETUPS_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
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

inline constexpr int32_t benchMaxDelay = 1000;

// frames rows of width delays each, all different, in [20, 90]: every
// sample of every frame sees a new fractional delay.
std::vector<double> delayTable(int32_t width, int32_t frames);

// Rows in a delay table; a power of two well past any cache-line effects.
inline constexpr int32_t delayTableFrames = 64;

// Deterministic pseudo-random values in [-1, 1).
std::vector<double> signalValues(std::size_t count);

// Records the time per output sample for samples outputs per iteration
// (counter "per_sample", and samples per second).
void reportPerSample(benchmark::State& state, int64_t samples);

// One piece of work: what is delayed, how, and in what sizes.
struct Work {
    Interpolation interpolation = Interpolation::linear;
    bool complex = false;
    int32_t channels = 1;
    int32_t frame = 1;
};

// "fir32x64_real/8x64": the name under which every contender on the work
// is registered ("<work>/<contender>").
std::string workName(const Work& work);

// The works every kernel contender runs: each interpolator, real and
// complex, at 1 x 1, 8 x 64 and 64 x 256.
std::vector<Work> kernelWorks();

}  // namespace quorbelin::bench

#endif
