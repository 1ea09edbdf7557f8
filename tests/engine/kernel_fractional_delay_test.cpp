// The fractional-delay kernel on plain arrays: bit for bit against the
// age-indexed model on random configurations, and the behaviours that are
// best stated on their own (exact integer delays, phase rounding, the
// linear/FIR switch, the buffer seam).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/engine/delay_model.h"
#include "tests/engine/kernel_cross_check.h"
#include "tests/engine/random_delays.h"

namespace quorbelin::testing {
namespace {

TEST(KernelAgainstModel, RandomConfigurationsAgreeBitForBit) {
    std::mt19937 random(20261208);
    for (int run = 0; run < 800; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        crossCheck(randomConfig(random), 12, random);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

TEST(KernelAgainstModel, LongRunsAcrossManyWraps) {
    std::mt19937 random(7);
    for (int run = 0; run < 12; ++run) {
        ModelConfig config = randomConfig(random);
        config.frameSize = std::uniform_int_distribution<int>(1, 5)(random);
        crossCheck(config, 3000 / config.frameSize + 50, random);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

// The one-channel, one-sample entry as a frame kernel: it reads the input
// and the delay the frame's references point at.
FrameKernel oneSampleKernel() {
    auto adapt = [](auto entry) {
        return [entry](const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode,
                       const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
            entry(sizes, filter, signals.input[0], *signals.delays[0], signals.output, buffer,
                  writeIndex);
        };
    };
    return FrameKernel("the one-sample entry", adapt(delayOneSampleReal),
                       adapt(delayOneSampleComplex));
}

TEST(KernelAgainstModel, OneSampleEntryAgreesBitForBitInEitherMode) {
    // Long runs walk every read across the buffer's seam; delays near the
    // maximum read the entry just stored.
    std::mt19937 random(104);
    for (int run = 0; run < 300; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        ModelConfig config = randomConfig(random);
        config.channels = 1;
        config.frameSize = 1;
        crossCheck(config, 3 * config.length() + 5, random, oneSampleKernel(),
                   run % 3 == 0 ? 50 : 0);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

// A real one-channel run with the history starting at 0.0 and the newest
// entry at writeIndex; one delay per sample.
class RealLine {
public:
    RealLine(int maxDelay, int halfLength, std::vector<double> taps = {}, int rows = 0,
             int phases = 0, int32_t writeIndex = 0)
        : taps_(std::move(taps)), writeIndex_(writeIndex) {
        sizes_ = {1, 1, maxDelay, halfLength, maxDelay + halfLength + 1};
        if (!taps_.empty()) {
            filter_ = {taps_.data(), rows, phases};
        }
        buffer_.assign(static_cast<std::size_t>(sizes_.bufferLength), 0.0);
    }
    double push(double sample, double delay) {
        const double* in = &sample;
        const double* d = &delay;
        double out = 0.0;
        delayFrameReal(sizes_, filter_, DelayMode::perSample, {&in, &d, &out}, buffer_.data(),
                       writeIndex_);
        return out;
    }

private:
    std::vector<double> taps_;
    DelayLineSizes sizes_;
    InterpolationFilter filter_;
    std::vector<double> buffer_;
    int32_t writeIndex_;
};

TEST(KernelDelay, IntegerDelaysReturnTheInputExactlyOverManyWraps) {
    // The delay is measured from the output: once the history is filled, an
    // integer delay k gives back exactly the input of k samples earlier.
    std::mt19937 random(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    for (int maxDelay : {1, 2, 5, 16}) {
        for (int halfLength : {0, 1, 3}) {
            RealLine line(maxDelay, halfLength);
            std::vector<double> inputs;
            std::uniform_int_distribution<int> delay(0, maxDelay);
            for (int n = 0; n < 2000; ++n) {
                inputs.push_back(normal(random));
                const int k = delay(random);
                const double out = line.push(inputs.back(), k);
                const double expected = n >= k ? inputs[n - k] : 0.0;
                ASSERT_TRUE(sameBits(out, expected))
                    << "Dmax " << maxDelay << " H " << halfLength << " n " << n << " k " << k;
            }
        }
    }
}

TEST(KernelDelay, ClampsAndSplitsTheDelay) {
    // Inputs 1, 2, 3, ... so the value read names the sample's index.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double delay;
        double expected;  // at the 20th sample (value 20)
    } cases[] = {
        {0.0, 20.0},   {-3.2, 20.0},  {-inf, 20.0}, {-0.0, 20.0}, {10.0, 10.0},
        {10.5, 10.0},  {inf, 10.0},   {9.99, (9.99 - 9.0) * 10.0 + (1.0 - (9.99 - 9.0)) * 11.0},
        {2.25, 0.25 * 17.0 + 0.75 * 18.0},          {0.9999, 0.9999 * 19.0 + (1.0 - 0.9999) * 20.0},
    };
    for (const Case& c : cases) {
        RealLine line(10, 0);
        double out = 0.0;
        for (int n = 1; n <= 20; ++n) {
            out = line.push(n, c.delay);
        }
        EXPECT_TRUE(sameBits(out, c.expected)) << "delay " << c.delay << " gave " << out;
    }
    RealLine line(10, 0);
    EXPECT_TRUE(std::isnan(line.push(1.0, nan))) << "linear interpolation passes NaN on";
}

TEST(KernelDelay, LoneUnitTapDelaysByTheRoundedDelayPlusOne) {
    // A 1 x 1 filter of 1.0 (H = 0, N = 1): the window is the single sample of
    // age D' + 1, D' the delay rounded to the nearest integer, halves up.
    const std::vector<double> unit{1.0};
    struct Case {
        double delay;
        int age;
    } cases[] = {{0.0, 1}, {0.49, 1}, {0.5, 2}, {2.3, 3}, {2.5, 4}, {6.4, 7}};
    for (const Case& c : cases) {
        RealLine line(8, 0, unit, 1, 1);
        double out = 0.0;
        for (int n = 1; n <= 30; ++n) {
            out = line.push(n, c.delay);
        }
        EXPECT_EQ(out, 30.0 - c.age) << "delay " << c.delay;
    }
}

TEST(KernelDelay, PhaseRoundsHalvesUpAndCarriesAWholeSample) {
    // N = 4 phases of a 4-tap filter (H = 2) whose taps are all distinct, so
    // any other phase or window gives another value.
    std::mt19937 random(4);
    const std::vector<double> taps = randomTaps(4, 4, random);
    auto run = [&taps](double delay) {
        RealLine line(12, 2, taps, 4, 4);
        double out = 0.0;
        for (int n = 1; n <= 40; ++n) {
            out = line.push(std::sin(n * 0.7) + n, delay);
        }
        return out;
    };
    auto byPhase = [&taps](int whole, int phase) {
        // Ages whole - 1 ... whole + 2 of the 40th sample, value sin(n*0.7)+n.
        double sum = 0.0;
        for (int t = 0; t < 4; ++t) {
            const int n = 40 - (whole - 1 + t);
            sum = sum + taps[t + 4 * phase] * (std::sin(n * 0.7) + n);
        }
        return sum;
    };
    EXPECT_EQ(run(5.125), byPhase(5, 1));  // 0.125 * 4 + 0.5 is exactly 1.0
    EXPECT_EQ(run(5.124), byPhase(5, 0));
    EXPECT_EQ(run(5.375), byPhase(5, 2));
    EXPECT_EQ(run(5.875), byPhase(6, 0));  // p = N carries into D + 1
    EXPECT_EQ(run(5.875), run(6.0));
    EXPECT_EQ(run(11.9), run(12.0));       // the carry never passes Dmax
}

TEST(KernelDelay, ShortDelaysFallBackToLinearBelowHalfTheWindow) {
    // Six zero taps (H = 3): the filter gives 0.0 wherever it is used, so a
    // nonzero output shows that linear interpolation served the delay.
    const std::vector<double> zeros(6 * 2, 0.0);
    for (double delay : {0.0, 0.5, 1.0, 1.99, 2.0, 2.5, 5.0}) {
        RealLine line(8, 3, zeros, 6, 2);
        double out = 0.0;
        for (int n = 1; n <= 20; ++n) {
            out = line.push(n, delay);
        }
        if (delay < 2.0) {
            EXPECT_NE(out, 0.0) << "delay " << delay << " should be linear";
        } else {
            EXPECT_EQ(out, 0.0) << "delay " << delay << " should use the filter";
        }
    }
}

TEST(KernelDelay, TwoTapRampFilterMatchesLinearWithAQuantisedFraction) {
    constexpr int phases = 8;
    std::vector<double> ramp;  // column p: (1 - p/N, p/N)
    for (int p = 0; p < phases; ++p) {
        ramp.push_back(1.0 - static_cast<double>(p) / phases);
        ramp.push_back(static_cast<double>(p) / phases);
    }
    for (double delay : {0.0, 1.06, 1.07, 2.5, 3.3, 4.9375, 4.99, 6.0}) {
        RealLine fir(7, 1, ramp, 2, phases);
        RealLine linear(7, 1);
        const double quantised = std::floor(delay) + std::floor((delay - std::floor(delay)) * phases + 0.5) / phases;
        double a = 0.0;
        double b = 0.0;
        for (int n = 1; n <= 25; ++n) {
            a = fir.push(std::cos(n), delay);
            b = linear.push(std::cos(n), quantised);
        }
        // The same weights summed in another order: equal to rounding.
        EXPECT_NEAR(a, b, 1e-15) << "delay " << delay;
    }
}

TEST(KernelDelay, WindowAcrossTheSeamEqualsTheSameHistoryWithoutOne) {
    // The same history laid out from every starting position: the FIR window
    // straddles the seam in some and not in others; outputs must not differ.
    std::mt19937 random(3);
    const std::vector<double> taps = randomTaps(7, 5, random);
    const int maxDelay = 6;
    const int length = maxDelay + 3 + 1;
    std::vector<double> reference;
    for (int32_t start = 0; start < length; ++start) {
        RealLine line(maxDelay, 3, taps, 7, 5, start);
        std::vector<double> outputs;
        for (int n = 1; n <= 3 * length; ++n) {
            outputs.push_back(line.push(n * 0.25 - 1.0, 2.0 + 0.37 * (n % 11)));
        }
        if (start == 0) {
            reference = outputs;
        } else {
            EXPECT_EQ(outputs, reference) << "start " << start;
        }
    }
}

TEST(KernelDelay, OddWindowAtTheMaximumEndsOnTheSampleJustStored) {
    // M = 3 (H = 1), Dmax = 2, L = 4: ages 2, 3 and 4 = L, the entry written
    // in this very step. Phase 0 picks the last tap only.
    const std::vector<double> lastTap{0.0, 0.0, 1.0};
    RealLine line(2, 1, lastTap, 3, 1);
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(line.push(n, 2.0), n);
    }
}

TEST(KernelDelay, NaNOnTheFilterPathIsThePhaseZeroSumAtDelayZero) {
    // H = 1 lets the filter serve D = 0; NaN then acts as delay 0.0.
    std::mt19937 random(5);
    const std::vector<double> taps = randomTaps(2, 3, random);
    RealLine withNaN(4, 1, taps, 2, 3);
    RealLine withZero(4, 1, taps, 2, 3);
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(withNaN.push(n, std::numeric_limits<double>::quiet_NaN()),
                  withZero.push(n, 0.0));
    }
}

TEST(KernelDelay, DelaySourceFollowsTheMode) {
    // K = 2, F = 3, integer delays so each output names the input it came from.
    for (bool perChannel : {false, true}) {
        ModelConfig config;
        config.channels = 2;
        config.frameSize = 3;
        config.maxDelay = 5;
        config.perChannel = perChannel;
        std::vector<ModelSample> zeros(2 * 6);
        KernelHarness kernel(config, zeros, 0);
        std::mt19937 random(1);
        std::vector<ModelSample> first(6);
        std::vector<ModelSample> second(6);
        for (int e = 0; e < 6; ++e) {
            first[e].real = 100 + e;
            second[e].real = 200 + e;
        }
        kernel.step(first, perChannel ? std::vector<double>{0, 0} : std::vector<double>{0, 0, 0},
                    random);
        // Per sample: delays 0, 1, 2 for samples 0, 1, 2 of both channels.
        // Per channel: delay 1 for channel 0, 3 for channel 1.
        const std::vector<double> delays =
            perChannel ? std::vector<double>{1, 3} : std::vector<double>{0, 1, 2};
        const auto out = kernel.step(second, delays, random);
        const std::vector<double> expected =
            perChannel ? std::vector<double>{102, 200, 201, 103, 104, 105}
                       : std::vector<double>{200, 200, 200, 203, 203, 203};
        for (int e = 0; e < 6; ++e) {
            EXPECT_EQ(out[e].real, expected[e]) << (perChannel ? "per channel" : "per sample")
                                                << " element " << e;
        }
    }
}

TEST(KernelDelay, WriteIndexAdvancesByTheFrameModuloTheLength) {
    struct Case {
        int frameSize;
        int32_t start;
        int32_t expected;
    } cases[] = {{1, 0, 1}, {3, 4, 2}, {5, 0, 0}, {12, 3, 0}, {23, 4, 2}, {0, 2, 2}};
    for (const Case& c : cases) {
        for (int channels : {0, 2}) {
            ModelConfig config;  // Dmax 4, H 0: L = 5
            config.maxDelay = 4;
            config.channels = channels;
            config.frameSize = c.frameSize;
            KernelHarness kernel(config, std::vector<ModelSample>(channels * 5), c.start);
            std::mt19937 random(2);
            kernel.step(std::vector<ModelSample>(channels * c.frameSize),
                        std::vector<double>(c.frameSize, 1.5), random);
            EXPECT_EQ(kernel.writeIndex(), c.expected)
                << "F " << c.frameSize << " from " << c.start << " K " << channels;
        }
    }
}

}  // namespace
}  // namespace quorbelin::testing
