#include "bench/bench_setups.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <numbers>
#include <random>
#include <string>
#include <utility>

namespace quorbelin::bench {

FilterShape filterShape(Interpolation interpolation) {
    switch (interpolation) {
    case Interpolation::fir8x32: return {8, 32};
    case Interpolation::fir32x64: return {32, 64};
    case Interpolation::linear: break;
    }
    return {};
}

std::vector<double> filterTaps(FilterShape shape) {
    const int32_t half = shape.rows / 2;
    std::vector<double> taps(static_cast<std::size_t>(shape.rows) * shape.phases);
    for (int32_t p = 0; p < shape.phases; ++p) {
        for (int32_t t = 0; t < shape.rows; ++t) {
            // Tap t meets the sample of age D - H + 1 + t; the wanted delay
            // is D + p / N.
            const double x = t - half + 1 - static_cast<double>(p) / shape.phases;
            const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
            const double window =
                0.5 + 0.5 * std::cos(std::numbers::pi * x / (half + 1));
            taps[static_cast<std::size_t>(t) + static_cast<std::size_t>(p) * shape.rows] = sinc * window;
        }
    }
    return taps;
}

std::vector<double> delayTable(int32_t width, int32_t frames) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> delay(20.0, 90.0);
    std::vector<double> table(static_cast<std::size_t>(width) * frames);
    for (double& d : table) {
        d = delay(random);
    }
    return table;
}

std::vector<double> sweepTable(int32_t width) {
    constexpr int32_t period = 96000;
    const int32_t frames = period / std::max(width, 1);
    std::vector<double> table(static_cast<std::size_t>(frames) * width);
    for (std::size_t t = 0; t < table.size(); ++t) {
        table[t] = 455.0 - 445.0 * std::cos(2.0 * std::numbers::pi * static_cast<double>(t) / period);
    }
    return table;
}

DelayTable delaysFor(DelayPattern pattern, int32_t width) {
    if (pattern == DelayPattern::sweep) {
        return {sweepTable(width), 96000 / std::max(width, 1)};
    }
    return {delayTable(width, delayTableFrames), delayTableFrames};
}

std::vector<std::size_t> shuffledOrder(std::size_t count) {
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::shuffle(order.begin(), order.end(), std::mt19937(77));
    return order;
}

std::vector<double> signalValues(std::size_t count) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> values(count);
    for (double& v : values) {
        v = value(random);
    }
    return values;
}

PortSignals portSignals(const Work& work) {
    PortSignals port;
    port.parts = work.complex ? 2 : 1;
    const std::size_t elements = static_cast<std::size_t>(work.channels) * work.frame;
    port.input = signalValues(elements * port.parts);
    // Shuffled: element e of the port lies at storage position order[e].
    const std::vector<std::size_t> inputOrder = shuffledOrder(elements);
    port.inputRefs.resize(elements);
    for (std::size_t e = 0; e < elements; ++e) {
        port.inputRefs[e] = &port.input[(work.shuffled ? inputOrder[e] : e) * port.parts];
    }
    port.table = delaysFor(work.pattern, work.frame);
    const std::vector<double>& delays = port.table.delays;
    const std::vector<std::size_t> delayOrder = shuffledOrder(static_cast<std::size_t>(work.frame));
    port.delayRefs.resize(delays.size());
    for (std::size_t e = 0; e < delays.size(); ++e) {
        const std::size_t row = e / work.frame * work.frame;
        port.delayRefs[e] = &delays[work.shuffled ? row + delayOrder[e - row] : e];
    }
    port.output.assign(elements * port.parts, 0.0);
    return port;
}

void reportPerSample(benchmark::State& state, int64_t samples) {
    const auto total = static_cast<double>(samples);
    state.SetItemsProcessed(state.iterations() * samples);
    // The inverted rate of samples per iteration: seconds per sample, shown
    // with its prefix (e.g. 4.2ns).
    state.counters["per_sample"] = benchmark::Counter(
        total, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::string workName(const Work& work) {
    const char* interpolation = work.interpolation == Interpolation::linear  ? "linear"
                                : work.interpolation == Interpolation::fir8x32 ? "fir8x32"
                                                                                : "fir32x64";
    return std::string(interpolation) + (work.complex ? "_complex/" : "_real/") +
           std::to_string(work.channels) + "x" + std::to_string(work.frame) +
           (work.pattern == DelayPattern::sweep ? "_sweep" : "") +
           (work.shuffled ? "_shuffled" : "");
}

std::vector<Work> kernelWorks() {
    std::vector<Work> works;
    for (Interpolation interpolation :
         {Interpolation::linear, Interpolation::fir8x32, Interpolation::fir32x64}) {
        for (bool complex : {false, true}) {
            for (auto [channels, frame] : {std::pair{1, 1}, std::pair{8, 64}, std::pair{64, 256}}) {
                works.push_back({interpolation, complex, channels, frame});
                works.push_back({interpolation, complex, channels, frame, DelayPattern::sweep, false});
                if (frame > 1) {
                    works.push_back(
                        {interpolation, complex, channels, frame, DelayPattern::jumping, true});
                }
            }
        }
    }
    return works;
}

}  // namespace quorbelin::bench
