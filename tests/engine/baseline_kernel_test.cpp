// The benchmarks' yardstick gives the block's results bit for bit, or its
// ratios would compare different work: the same random configurations, frame
// sizes and near-maximum delays as the block's own paths, against the
// age-indexed model.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bench/baseline_kernel.h"
#include "tests/engine/kernel_cross_check.h"

namespace quorbelin::testing {
namespace {

const FrameKernel baselineKernel{"the benchmarks' baseline", &bench::baseline::delayFrameReal,
                                 &bench::baseline::delayFrameComplex};

TEST(BaselineKernel, RandomConfigurationsAgreeWithTheModelBitForBit) {
    std::mt19937 random(5150);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int run = 0; run < 300; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        ModelConfig config;
        config.channels = pick(0, 5);
        config.maxDelay = pick(0, 2) == 0 ? pick(1, 4) : pick(5, 60);
        config.useFilter = pick(0, 2) != 0;
        if (config.useFilter) {
            config.filterRows = pick(1, 17);
            config.filterPhases = pick(1, 40);
            config.filter = randomTaps(config.filterRows, config.filterPhases, random);
        } else {
            config.filterRows = pick(0, 2) == 0 ? pick(1, 6) : 0;
        }
        config.halfLength = config.filterRows / 2;
        // Frames longer than the whole buffer wrap it more than once.
        config.frameSize = pick(0, 4) == 0 ? pick(0, 2 * config.length() + 3) : pick(1, 9);
        config.perChannel = pick(0, 2) == 0;
        config.complex = pick(0, 1) == 1;
        crossCheck(config, 8, random, baselineKernel, run % 2 == 0 ? 0 : 50);
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace quorbelin::testing
