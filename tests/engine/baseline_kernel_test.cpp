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
    for (int run = 0; run < 300; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        ModelConfig config = randomConfig(random);
        config.channels = std::uniform_int_distribution<int>(0, 5)(random);
        crossCheck(config, 8, random, baselineKernel, run % 2 == 0 ? 0 : 50);
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace quorbelin::testing
