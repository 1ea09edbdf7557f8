// What the benchmarks share: the work measured (interpolator, data kind,
// channels and frame size), delay tables that change at every sample, and
// the figure reported (time per output sample).
#ifndef QUORBELIN_BENCH_BENCH_SETUPS_H
#define QUORBELIN_BENCH_BENCH_SETUPS_H

#include <benchmark/benchmark.h>

#include <cstddef>
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

// How the delays move from sample to sample.
enum class DelayPattern {
    jumping,  // a new delay in [20, 90] at every sample
    sweep,    // a slow sweep from 10 to 900 and back, two seconds at 48 kHz
};

// frames rows of width delays each. Jumping: all different, in [20, 90],
// so every sample of every frame sees a new fractional delay.
std::vector<double> delayTable(int32_t width, int32_t frames);

// Rows in a jumping delay table; a power of two well past any cache-line
// effects.
inline constexpr int32_t delayTableFrames = 64;

// The delays of one period of the sweep: 455 - 445 cos(2 pi t / 96000),
// 10 to 900 samples of the 1000-sample line in one second and back, as a
// Doppler shift or a flanger moves them; rounded to whole frames of width.
std::vector<double> sweepTable(int32_t width);

// The table of a pattern for frames of width delays, and its rows.
struct DelayTable {
    std::vector<double> delays;
    int32_t frames = 0;
};
DelayTable delaysFor(DelayPattern pattern, int32_t width);

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
    DelayPattern pattern = DelayPattern::jumping;
    // The port's element references in an order other than storage order.
    bool shuffled = false;
};

// "fir32x64_real/8x64" (with "_sweep" or "_shuffled" for those variants):
// the name under which every contender on the work is registered
// ("<work>/<contender>").
std::string workName(const Work& work);

// A permutation of 0 ... count - 1, fixed for a given count.
std::vector<std::size_t> shuffledOrder(std::size_t count);

// A work's signals as a host's ports hand them to the block: every input
// entry (parts doubles) and every delay behind its own reference, in storage
// order or shuffled, and the output as one array of doubles.
struct PortSignals {
    std::size_t parts = 1;                 // 2 for complex data
    std::vector<double> input;             // channels x frame entries
    std::vector<const double*> inputRefs;  // element e (channel-major) -> its entry
    DelayTable table;
    // Frame r's delay element s behind delayRefs[r * frame + s].
    std::vector<const double*> delayRefs;
    std::vector<double> output;  // channels x frame entries

    // The delay references of frame row.
    const double* const* delaysOfFrame(int32_t row, int32_t frame) const {
        return delayRefs.data() + static_cast<std::size_t>(row) * frame;
    }
};

PortSignals portSignals(const Work& work);

// The works every kernel contender runs: each interpolator, real and
// complex, at 1 x 1, 8 x 64 and 64 x 256, with jumping delays and with the
// sweep, and at the two larger sizes also with shuffled references.
std::vector<Work> kernelWorks();

}  // namespace quorbelin::bench

#endif
