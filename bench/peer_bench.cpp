// Peers on the same work, in the same process: STK's DelayL (linear
// interpolation; setDelay and tick for every sample of every channel) and
// liquid-dsp's float window with a polyphase dot product (each phase's taps
// in a dotprod_rrrf object; push, read and execute per sample and channel).
// Both get the signal as plain contiguous values, their natural interface.
#include <benchmark/benchmark.h>
#include <liquid/liquid.h>
#include <stk/DelayL.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/bench_setups.h"

namespace quorbelin::bench {
namespace {

void stkPerSample(benchmark::State& state, const Work& work) {
    std::vector<std::unique_ptr<stk::DelayL>> lines;
    for (int32_t c = 0; c < work.channels; ++c) {
        lines.push_back(std::make_unique<stk::DelayL>(20.0, benchMaxDelay));
    }
    const std::size_t elements = static_cast<std::size_t>(work.channels) * work.frame;
    const std::vector<double> input = signalValues(elements);
    const std::vector<double> delays = delayTable(work.frame, delayTableFrames);
    std::vector<double> output(elements);
    int32_t row = 0;

    for (auto _ : state) {
        const double* frameDelays = delays.data() + static_cast<std::size_t>(row) * work.frame;
        for (int32_t c = 0; c < work.channels; ++c) {
            stk::DelayL& line = *lines[c];
            const std::size_t base = static_cast<std::size_t>(c) * work.frame;
            for (int32_t s = 0; s < work.frame; ++s) {
                line.setDelay(frameDelays[s]);
                output[base + s] = line.tick(input[base + s]);
            }
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        row = (row + 1) % delayTableFrames;
    }
    reportPerSample(state, static_cast<int64_t>(elements));
}

// One channel's float delay line and the filter's phases.
class LiquidDelay {
public:
    LiquidDelay(int32_t length, const std::vector<dotprod_rrrf>& phases)
        : window_(windowf_create(static_cast<unsigned>(length))), length_(length),
          phases_(phases) {}
    ~LiquidDelay() { windowf_destroy(window_); }
    LiquidDelay(const LiquidDelay&) = delete;
    LiquidDelay& operator=(const LiquidDelay&) = delete;

    // The window's oldest age is oldestAge; phase selects the taps.
    float push(float sample, int32_t oldestAge, int32_t phase) {
        windowf_push(window_, sample);
        float* history = nullptr;
        windowf_read(window_, &history);
        float y = 0.0f;
        dotprod_rrrf_execute(phases_[static_cast<std::size_t>(phase)],
                             history + (length_ - 1 - oldestAge), &y);
        return y;
    }

private:
    windowf window_;
    int32_t length_;
    const std::vector<dotprod_rrrf>& phases_;
};

void liquidPerSample(benchmark::State& state, const Work& work) {
    const FilterShape shape = filterShape(work.interpolation);
    const std::vector<double> taps = filterTaps(shape);
    const int32_t rows = shape.rows;
    const int32_t half = rows / 2;
    std::vector<dotprod_rrrf> phases;
    for (int32_t p = 0; p < shape.phases; ++p) {
        std::vector<float> column(taps.begin() + p * rows, taps.begin() + (p + 1) * rows);
        // Reversed: the window runs from old to new, tap 0 meets the newest.
        phases.push_back(dotprod_rrrf_create_rev(column.data(), static_cast<unsigned>(rows)));
    }
    std::vector<std::unique_ptr<LiquidDelay>> lines;
    for (int32_t c = 0; c < work.channels; ++c) {
        lines.push_back(std::make_unique<LiquidDelay>(benchMaxDelay + rows + 1, phases));
    }
    const std::size_t elements = static_cast<std::size_t>(work.channels) * work.frame;
    const std::vector<double> input = signalValues(elements);
    const std::vector<double> delays = delayTable(work.frame, delayTableFrames);
    std::vector<double> output(elements);
    int32_t row = 0;

    for (auto _ : state) {
        const double* frameDelays = delays.data() + static_cast<std::size_t>(row) * work.frame;
        for (int32_t c = 0; c < work.channels; ++c) {
            LiquidDelay& line = *lines[c];
            const std::size_t base = static_cast<std::size_t>(c) * work.frame;
            for (int32_t s = 0; s < work.frame; ++s) {
                // The same decoding as the block: nearest phase, a full
                // phase carried into the whole delay.
                const double d = std::fmin(std::fmax(frameDelays[s], 0.0), benchMaxDelay);
                int32_t whole = static_cast<int32_t>(d);
                int32_t phase = static_cast<int32_t>((d - whole) * shape.phases + 0.5);
                if (phase == shape.phases) {
                    whole += 1;
                    phase = 0;
                }
                output[base + s] = line.push(static_cast<float>(input[base + s]),
                                             whole - half + rows, phase);
            }
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        row = (row + 1) % delayTableFrames;
    }
    lines.clear();
    for (dotprod_rrrf phase : phases) {
        dotprod_rrrf_destroy(phase);
    }
    reportPerSample(state, static_cast<int64_t>(elements));
}

}  // namespace

void registerPeerBenchmarks() {
    for (auto [channels, frame] : {std::pair{8, 64}, std::pair{64, 256}}) {
        const Work linear{Interpolation::linear, false, channels, frame};
        benchmark::RegisterBenchmark((workName(linear) + "/stk").c_str(),
                                     [linear](benchmark::State& state) { stkPerSample(state, linear); });
        for (Interpolation fir : {Interpolation::fir8x32, Interpolation::fir32x64}) {
            const Work work{fir, false, channels, frame};
            benchmark::RegisterBenchmark((workName(work) + "/liquid").c_str(),
                                         [work](benchmark::State& state) { liquidPerSample(state, work); });
        }
    }
}

}  // namespace quorbelin::bench
