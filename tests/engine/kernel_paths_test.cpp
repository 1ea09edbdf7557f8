// Every code path of the kernel this CPU runs, bit for bit against the
// age-indexed model: channel counts that fill vector tiles and leave channels
// over, frames longer than a decoded tile, tap counts with and without
// unrolled loops, windows across the seam and delays near the maximum, where a
// window reaches back to entries the same frame overwrites.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/kernel/paths.h"
#include "tests/engine/kernel_cross_check.h"

namespace quorbelin::testing {
namespace {

ModelConfig laneConfig(std::mt19937& random) {
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    ModelConfig config;
    config.channels = pick(0, 3) == 0 ? pick(1, 3) : pick(4, 19);
    config.maxDelay = pick(0, 2) == 0 ? pick(1, 6) : pick(7, 80);
    config.useFilter = pick(0, 3) != 0;
    if (config.useFilter) {
        const int rows[] = {1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 32, 33};
        config.filterRows = rows[pick(0, 11)];
        config.filterPhases = pick(1, 40);
        config.filter = randomTaps(config.filterRows, config.filterPhases, random);
    } else {
        config.filterRows = pick(0, 3) == 0 ? pick(1, 9) : 0;
    }
    config.halfLength = config.filterRows / 2;
    config.frameSize = pick(0, 2) == 0 ? pick(60, 200) : pick(1, 24);
    config.perChannel = pick(0, 4) == 0;
    config.complex = pick(0, 1) == 1;
    return config;
}

// Every path, its FIR lanes with and without gathers for the tiles beyond
// their time window, whichever this CPU would choose.
class EveryPath : public ::testing::TestWithParam<KernelChoice> {
protected:
    void SetUp() override {
        if (!kernelPathAvailable(GetParam().path)) {
            GTEST_SKIP() << "this CPU has no " << kernelPathName(GetParam().path);
        }
    }
};

TEST_P(EveryPath, RandomConfigurationsAgreeWithTheModelBitForBit) {
    std::mt19937 random(8472);
    for (int run = 0; run < 400; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // Every other run crowds the delays near the maximum.
        crossCheck(laneConfig(random), 6, random, GetParam(), run % 2 == 0 ? 0 : 60);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

TEST_P(EveryPath, BenchmarkSizesAgreeWithTheModelBitForBit) {
    std::mt19937 random(31);
    struct Size {
        int channels, frame, rows;
    } sizes[] = {{8, 64, 0}, {8, 64, 8}, {8, 64, 32}, {64, 256, 32}, {9, 65, 32}};
    for (const Size& size : sizes) {
        for (bool complex : {false, true}) {
            ModelConfig config;
            config.channels = size.channels;
            config.frameSize = size.frame;
            config.maxDelay = 1000;
            config.useFilter = size.rows > 0;
            config.filterRows = size.rows;
            config.filterPhases = size.rows > 0 ? 64 : 0;
            config.filter = randomTaps(size.rows, config.filterPhases, random);
            config.halfLength = size.rows / 2;
            config.complex = complex;
            crossCheck(config, 20, random, GetParam(), 10);
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }
}

// One sample per channel and hit takes its own path; many hits walk every
// window across the buffer's seam, with odd and even tap counts.
TEST_P(EveryPath, FrameOneAgreesWithTheModelBitForBit) {
    std::mt19937 random(977);
    for (int run = 0; run < 120; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        ModelConfig config = laneConfig(random);
        config.frameSize = 1;
        config.perChannel = false;
        crossCheck(config, 3 * (config.maxDelay + config.halfLength + 1), random, GetParam(),
                   run % 2 == 0 ? 0 : 60);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

std::vector<KernelChoice> everyChoice() {
    std::vector<KernelChoice> choices;
    for (KernelPath path : allKernelPaths) {
        for (bool gathers : {false, true}) {
            if (path != KernelPath::portable || !gathers) {
                choices.push_back({path, gathers});
            }
        }
    }
    return choices;
}

INSTANTIATE_TEST_SUITE_P(KernelPaths, EveryPath, ::testing::ValuesIn(everyChoice()),
                         [](const ::testing::TestParamInfo<KernelChoice>& param) {
                             return std::string(kernelPathName(param.param.path)) +
                                    (param.param.gathers ? "_gathers" : "");
                         });

}  // namespace
}  // namespace quorbelin::testing
