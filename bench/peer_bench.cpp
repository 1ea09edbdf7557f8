// Peers on the same work, in the same process: STK's DelayL (linear
// interpolation; setDelay and tick for every sample of every channel) and
// liquid-dsp's float window with a polyphase dot product (each phase's taps
// in a dotprod object, rrrf for real data and crcf for complex; push, read
// and execute per sample and channel).
// Each stands where the block stands: it reads every input and delay through
// the port's references (in storage order or shuffled, as the work says) and
// writes the output port's doubles, converting to and from liquid-dsp's
// floats as a block built on it would.
#include <benchmark/benchmark.h>
// <complex> first: liquid-dsp then takes std::complex<float> as its complex type.
#include <complex>
#include <liquid/liquid.h>
#include <stk/DelayL.h>

#include <cmath>
#include <memory>
#include <type_traits>
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
    PortSignals port = portSignals(work);
    int32_t row = 0;

    for (auto _ : state) {
        const double* const* delays = port.delaysOfFrame(row, work.frame);
        for (int32_t c = 0; c < work.channels; ++c) {
            stk::DelayL& line = *lines[c];
            const std::size_t base = static_cast<std::size_t>(c) * work.frame;
            for (int32_t s = 0; s < work.frame; ++s) {
                line.setDelay(*delays[s]);
                port.output[base + s] = line.tick(*port.inputRefs[base + s]);
            }
        }
        benchmark::DoNotOptimize(port.output.data());
        benchmark::ClobberMemory();
        row = row + 1 == port.table.frames ? 0 : row + 1;
    }
    reportPerSample(state, static_cast<int64_t>(port.inputRefs.size()));
}

// liquid-dsp's objects for one kind of data: real (rrrf) or complex data
// with real taps (crcf).
struct LiquidReal {
    using Sample = float;
    using Window = windowf;
    using DotProduct = dotprod_rrrf;
    static Window createWindow(unsigned n) { return windowf_create(n); }
    static void destroyWindow(Window w) { windowf_destroy(w); }
    static void push(Window w, Sample x) { windowf_push(w, x); }
    static void read(Window w, Sample** history) { windowf_read(w, history); }
    static DotProduct createReversed(float* taps, unsigned n) {
        return dotprod_rrrf_create_rev(taps, n);
    }
    static void destroy(DotProduct q) { dotprod_rrrf_destroy(q); }
    static void execute(DotProduct q, Sample* x, Sample* y) { dotprod_rrrf_execute(q, x, y); }
};

struct LiquidComplex {
    using Sample = liquid_float_complex;
    using Window = windowcf;
    using DotProduct = dotprod_crcf;
    static Window createWindow(unsigned n) { return windowcf_create(n); }
    static void destroyWindow(Window w) { windowcf_destroy(w); }
    static void push(Window w, Sample x) { windowcf_push(w, x); }
    static void read(Window w, Sample** history) { windowcf_read(w, history); }
    static DotProduct createReversed(float* taps, unsigned n) {
        return dotprod_crcf_create_rev(taps, n);
    }
    static void destroy(DotProduct q) { dotprod_crcf_destroy(q); }
    static void execute(DotProduct q, Sample* x, Sample* y) { dotprod_crcf_execute(q, x, y); }
};

// One channel's float delay line and the filter's phases.
template <class Liquid>
class LiquidDelay {
public:
    using Sample = typename Liquid::Sample;
    LiquidDelay(int32_t length, const std::vector<typename Liquid::DotProduct>& phases)
        : window_(Liquid::createWindow(static_cast<unsigned>(length))), length_(length),
          phases_(phases) {}
    ~LiquidDelay() { Liquid::destroyWindow(window_); }
    LiquidDelay(const LiquidDelay&) = delete;
    LiquidDelay& operator=(const LiquidDelay&) = delete;

    // The window's oldest age is oldestAge; phase selects the taps.
    Sample push(Sample sample, int32_t oldestAge, int32_t phase) {
        Liquid::push(window_, sample);
        Sample* history = nullptr;
        Liquid::read(window_, &history);
        Sample y{};
        Liquid::execute(phases_[static_cast<std::size_t>(phase)],
                        history + (length_ - 1 - oldestAge), &y);
        return y;
    }

private:
    typename Liquid::Window window_;
    int32_t length_;
    const std::vector<typename Liquid::DotProduct>& phases_;
};

template <class Liquid>
void liquidPerSample(benchmark::State& state, const Work& work) {
    using Sample = typename Liquid::Sample;
    const FilterShape shape = filterShape(work.interpolation);
    const std::vector<double> taps = filterTaps(shape);
    const int32_t rows = shape.rows;
    const int32_t half = rows / 2;
    std::vector<typename Liquid::DotProduct> phases;
    for (int32_t p = 0; p < shape.phases; ++p) {
        std::vector<float> column(taps.begin() + p * rows, taps.begin() + (p + 1) * rows);
        // Reversed: the window runs from old to new, tap 0 meets the newest.
        phases.push_back(Liquid::createReversed(column.data(), static_cast<unsigned>(rows)));
    }
    std::vector<std::unique_ptr<LiquidDelay<Liquid>>> lines;
    for (int32_t c = 0; c < work.channels; ++c) {
        lines.push_back(std::make_unique<LiquidDelay<Liquid>>(benchMaxDelay + rows + 1, phases));
    }
    PortSignals port = portSignals(work);
    int32_t row = 0;

    for (auto _ : state) {
        const double* const* delays = port.delaysOfFrame(row, work.frame);
        for (int32_t c = 0; c < work.channels; ++c) {
            LiquidDelay<Liquid>& line = *lines[c];
            const std::size_t base = static_cast<std::size_t>(c) * work.frame;
            for (int32_t s = 0; s < work.frame; ++s) {
                // The same decoding as the block: nearest phase, a full
                // phase carried into the whole delay.
                const double d = std::fmin(std::fmax(*delays[s], 0.0), benchMaxDelay);
                int32_t whole = static_cast<int32_t>(d);
                int32_t phase = static_cast<int32_t>((d - whole) * shape.phases + 0.5);
                if (phase == shape.phases) {
                    whole += 1;
                    phase = 0;
                }
                const double* in = port.inputRefs[base + s];
                double* out = port.output.data() + (base + s) * port.parts;
                if constexpr (std::is_same_v<Sample, float>) {
                    *out = line.push(static_cast<float>(*in), whole - half + rows, phase);
                } else {
                    const Sample y = line.push(
                        Sample(static_cast<float>(in[0]), static_cast<float>(in[1])),
                        whole - half + rows, phase);
                    out[0] = y.real();
                    out[1] = y.imag();
                }
            }
        }
        benchmark::DoNotOptimize(port.output.data());
        benchmark::ClobberMemory();
        row = row + 1 == port.table.frames ? 0 : row + 1;
    }
    lines.clear();
    for (typename Liquid::DotProduct phase : phases) {
        Liquid::destroy(phase);
    }
    reportPerSample(state, static_cast<int64_t>(port.inputRefs.size()));
}

}  // namespace

void registerPeerBenchmarks() {
    // The kernel's works beyond one sample: the peers run every variant the
    // block does, shuffled references included.
    for (const Work& kernelWork : kernelWorks()) {
        if (kernelWork.frame == 1) {
            continue;
        }
        if (kernelWork.interpolation == Interpolation::linear) {
            if (!kernelWork.complex) {
                benchmark::RegisterBenchmark(
                    (workName(kernelWork) + "/stk").c_str(),
                    [kernelWork](benchmark::State& state) { stkPerSample(state, kernelWork); });
            }
            continue;
        }
        benchmark::RegisterBenchmark((workName(kernelWork) + "/liquid").c_str(),
                                     [kernelWork](benchmark::State& state) {
                                         if (kernelWork.complex) {
                                             liquidPerSample<LiquidComplex>(state, kernelWork);
                                         } else {
                                             liquidPerSample<LiquidReal>(state, kernelWork);
                                         }
                                     });
    }
}

}  // namespace quorbelin::bench
