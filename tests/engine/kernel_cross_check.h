// The random bit-for-bit cross-check of the kernel against the age-indexed
// model, shared by the kernel's test suites.
#ifndef QUORBELIN_TESTS_ENGINE_KERNEL_CROSS_CHECK_H
#define QUORBELIN_TESTS_ENGINE_KERNEL_CROSS_CHECK_H

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/kernel/paths.h"
#include "tests/engine/delay_model.h"
#include "tests/engine/kernel_harness.h"
#include "tests/engine/random_delays.h"

namespace quorbelin::testing {

inline std::vector<ModelSample> randomSamples(std::size_t count, bool complex, std::mt19937& random) {
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<ModelSample> samples(count);
    for (ModelSample& sample : samples) {
        sample.real = normal(random);
        sample.imag = complex ? normal(random) : 0.0;
    }
    return samples;
}

inline std::vector<double> randomTaps(int rows, int phases, std::mt19937& random) {
    std::uniform_real_distribution<double> tap(-1.0, 1.0);
    std::vector<double> taps(static_cast<std::size_t>(rows) * phases);
    for (double& t : taps) {
        t = tap(random);
    }
    return taps;
}

// A small random configuration: any interpolation, frames shorter and longer
// than the buffer, either delay mode, real or complex.
inline ModelConfig randomConfig(std::mt19937& random) {
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    ModelConfig config;
    config.channels = pick(1, 4);
    config.maxDelay = pick(0, 3) == 0 ? pick(1, 3) : pick(1, 40);
    config.useFilter = pick(0, 2) != 0;
    if (config.useFilter) {
        config.filterRows = pick(1, 12);
        config.filterPhases = pick(0, 3) == 0 ? pick(1, 4) : pick(1, 64);
        config.filter = randomTaps(config.filterRows, config.filterPhases, random);
    } else {
        // An empty filter may still have rows (M x 0): they lengthen the
        // buffer but interpolation stays linear.
        config.filterRows = pick(0, 2) == 0 ? pick(1, 6) : 0;
    }
    config.halfLength = config.filterRows / 2;
    // Frames shorter and longer than a whole buffer.
    config.frameSize = pick(0, 4) == 0 ? pick(0, 2 * config.length() + 3) : pick(1, 8);
    config.perChannel = pick(0, 1) == 1;
    config.complex = pick(0, 1) == 1;
    return config;
}

inline std::string describe(const ModelConfig& c) {
    std::ostringstream text;
    text << "K=" << c.channels << " F=" << c.frameSize << " Dmax=" << c.maxDelay
         << " H=" << c.halfLength << (c.useFilter ? " FIR M=" : " linear rows=")
         << c.filterRows << " N=" << c.filterPhases << (c.perChannel ? " per-channel" : " per-sample")
         << (c.complex ? " complex" : " real");
    return text.str();
}

// Runs the kernel and the model side by side from the same random start and
// compares every output, the final buffer and writeIndex bit for bit.
// nearMaximumPercent of the delays lie within 4 samples of Dmax, where the
// windows reach back to the entries a frame overwrites next.
inline void crossCheck(const ModelConfig& config, int frames, std::mt19937& random,
                       const FrameKernel& kernelUnderTest = chosenKernel(),
                       int nearMaximumPercent = 0) {
    SCOPED_TRACE(describe(config) + " by " + kernelUnderTest.name);
    const int length = config.length();
    const std::vector<ModelSample> start =
        randomSamples(static_cast<std::size_t>(config.channels) * length, config.complex, random);
    const int32_t firstIndex = std::uniform_int_distribution<int32_t>(0, length - 1)(random);
    KernelHarness kernel(config, start, firstIndex, kernelUnderTest);
    DelayModel model(config, kernel.historyByAge());

    const int delayCount = config.perChannel ? config.channels : config.frameSize;
    const std::size_t elements = static_cast<std::size_t>(config.channels) * config.frameSize;
    std::vector<ModelSample> expected(elements);
    for (int frame = 0; frame < frames; ++frame) {
        const std::vector<ModelSample> input = randomSamples(elements, config.complex, random);
        std::vector<double> delays(delayCount);
        for (double& d : delays) {
            d = std::uniform_int_distribution<int>(0, 99)(random) < nearMaximumPercent
                    ? config.maxDelay - std::uniform_real_distribution<double>(0.0, 4.0)(random)
                    : randomDelay(random, config.maxDelay, config.filterPhases);
        }
        const std::vector<ModelSample> actual = kernel.step(input, delays, random);
        model.step(input, delays, expected);
        for (std::size_t e = 0; e < elements; ++e) {
            ASSERT_TRUE(sameValue(actual[e].real, expected[e].real) &&
                        sameValue(actual[e].imag, expected[e].imag))
                << "frame " << frame << " element " << e << ": got (" << actual[e].real << ", "
                << actual[e].imag << "), model (" << expected[e].real << ", "
                << expected[e].imag << ")";
        }
    }
    const int64_t advanced = (int64_t{firstIndex} + int64_t{frames} * config.frameSize) % length;
    ASSERT_EQ(kernel.writeIndex(), advanced);
    for (int c = 0; c < config.channels; ++c) {
        for (int age = 0; age < length; ++age) {
            const ModelSample stored = kernel.entry(c, ((kernel.writeIndex() - age) % length + length) % length);
            const ModelSample modelled = model.sampleOfAge(c, age);
            ASSERT_TRUE(sameBits(stored.real, modelled.real) && sameBits(stored.imag, modelled.imag))
                << "channel " << c << " age " << age;
        }
    }
}

}  // namespace quorbelin::testing

#endif
