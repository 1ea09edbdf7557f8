// Runs the kernel the way a port hands it data: every input and delay
// element behind its own reference, the elements scattered through storage
// in a shuffled order so that nothing may assume they are contiguous.
#ifndef QUORBELIN_TESTS_ENGINE_KERNEL_HARNESS_H
#define QUORBELIN_TESTS_ENGINE_KERNEL_HARNESS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/paths.h"
#include "tests/engine/delay_model.h"

namespace quorbelin::testing {

using FrameFunction = std::function<void(const DelayLineSizes&, const InterpolationFilter&,
                                         DelayMode, const FrameSignals&, double*, int32_t&)>;

// A kernel under test: one of the block's paths, or any other function with
// the kernel's interface.
struct FrameKernel {
    std::string name;
    FrameFunction real;
    FrameFunction complex;

    FrameKernel(std::string kernelName, FrameFunction realFrames, FrameFunction complexFrames)
        : name(std::move(kernelName)), real(std::move(realFrames)),
          complex(std::move(complexFrames)) {}
    // The block's kernel with the given path and gathers.
    FrameKernel(KernelChoice choice)  // NOLINT: a choice names its kernel
        : name(std::string("the ") + kernelPathName(choice.path) + " path" +
               (choice.gathers ? " with gathers" : "")),
          real([choice](const DelayLineSizes& sizes, const InterpolationFilter& filter,
                        DelayMode mode, const FrameSignals& signals, double* buffer,
                        int32_t& writeIndex) {
              delayFrameRealOn(choice, sizes, filter, mode, signals, buffer, writeIndex);
          }),
          complex([choice](const DelayLineSizes& sizes, const InterpolationFilter& filter,
                           DelayMode mode, const FrameSignals& signals, double* buffer,
                           int32_t& writeIndex) {
              delayFrameComplexOn(choice, sizes, filter, mode, signals, buffer, writeIndex);
          }) {}
    // The block's kernel on the given path, gathering as on this CPU.
    FrameKernel(KernelPath path)  // NOLINT: a path names its kernel
        : FrameKernel(KernelChoice{path, chosenKernel().gathers}) {}
};

class KernelHarness {
public:
    // The buffer starts as given (K * L entries of ModelSample) with the
    // newest sample at writeIndex; the kernel runs on the given path.
    KernelHarness(const ModelConfig& config, const std::vector<ModelSample>& buffer,
                  int32_t writeIndex, FrameKernel kernel = chosenKernel())
        : config_(config), kernel_(std::move(kernel)), writeIndex_(writeIndex) {
        sizes_ = {config.channels, config.frameSize, config.maxDelay, config.halfLength,
                  config.length()};
        if (config.useFilter) {
            filter_ = {config.filter.data(), config.filterRows, config.filterPhases};
        }
        mode_ = config.perChannel ? DelayMode::perChannel : DelayMode::perSample;
        for (const ModelSample& sample : buffer) {
            buffer_.push_back(sample.real);
            if (config.complex) {
                buffer_.push_back(sample.imag);
            }
        }
    }

    // The history the model starts from: age a of channel c is the entry a
    // places before writeIndex, cyclically.
    std::vector<std::vector<ModelSample>> historyByAge() const {
        const int length = config_.length();
        std::vector<std::vector<ModelSample>> history(config_.channels);
        for (int c = 0; c < config_.channels; ++c) {
            for (int age = 0; age < length; ++age) {
                history[c].push_back(entry(c, ((writeIndex_ - age) % length + length) % length));
            }
        }
        return history;
    }

    ModelSample entry(int channel, int position) const {
        const std::size_t e = static_cast<std::size_t>(channel) * config_.length() + position;
        if (config_.complex) {
            return {buffer_[2 * e], buffer_[2 * e + 1]};
        }
        return {buffer_[e], 0.0};
    }

    std::vector<ModelSample> step(const std::vector<ModelSample>& input,
                                  const std::vector<double>& delays, std::mt19937& random) {
        const int parts = config_.complex ? 2 : 1;
        const std::vector<std::size_t> inputOrder = shuffled(input.size(), random);
        std::vector<double> inputStorage(input.size() * parts);
        std::vector<const double*> inputRefs(input.size());
        for (std::size_t e = 0; e < input.size(); ++e) {
            double* slot = &inputStorage[inputOrder[e] * parts];
            slot[0] = input[e].real;
            if (parts == 2) {
                slot[1] = input[e].imag;
            }
            inputRefs[e] = slot;
        }
        const std::vector<std::size_t> delayOrder = shuffled(delays.size(), random);
        std::vector<double> delayStorage(delays.size());
        std::vector<const double*> delayRefs(delays.size());
        for (std::size_t e = 0; e < delays.size(); ++e) {
            delayStorage[delayOrder[e]] = delays[e];
            delayRefs[e] = &delayStorage[delayOrder[e]];
        }
        // The output port at any place within a cache line (a host may hand
        // any address), between guards that must stay untouched.
        constexpr double guard = -12345.0;
        constexpr std::size_t guardDoubles = 16;
        const std::size_t count = input.size() * parts;
        std::vector<double> outputStorage(count + 3 * guardDoubles, guard);
        const auto base = reinterpret_cast<std::uintptr_t>(outputStorage.data() + guardDoubles);
        const std::size_t toLine = (64 - base % 64) % 64 / sizeof(double);
        const std::size_t offset =
            guardDoubles + toLine + std::uniform_int_distribution<std::size_t>(0, 7)(random);
        double* outputData = outputStorage.data() + offset;
        const FrameSignals signals{inputRefs.data(), delayRefs.data(), outputData};
        const FrameFunction& run = config_.complex ? kernel_.complex : kernel_.real;
        run(sizes_, filter_, mode_, signals, buffer_.data(), writeIndex_);
        int outside = 0;
        for (std::size_t i = 0; i < outputStorage.size(); ++i) {
            outside += (i < offset || i >= offset + count) && outputStorage[i] != guard ? 1 : 0;
        }
        EXPECT_EQ(outside, 0) << "doubles written around an output " << offset % 8
                              << " doubles into a cache line";
        std::vector<ModelSample> output(input.size());
        for (std::size_t e = 0; e < input.size(); ++e) {
            output[e].real = outputData[e * parts];
            output[e].imag = parts == 2 ? outputData[e * parts + 1] : 0.0;
        }
        return output;
    }

    int32_t writeIndex() const { return writeIndex_; }

private:
    static std::vector<std::size_t> shuffled(std::size_t count, std::mt19937& random) {
        std::vector<std::size_t> order(count);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::shuffle(order.begin(), order.end(), random);
        return order;
    }

    ModelConfig config_;
    FrameKernel kernel_;
    DelayLineSizes sizes_;
    InterpolationFilter filter_;
    DelayMode mode_ = DelayMode::perSample;
    std::vector<double> buffer_;
    int32_t writeIndex_;
};

}  // namespace quorbelin::testing

#endif
