// A million samples through the stand-in host with whole-sample delays come
// back exactly as they went in, delayed, and the host's memory stays flat.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <random>

#include "tests/trust/trust_setup.h"

namespace quorbelin::testing {
namespace {

constexpr int32_t channels = 2;
constexpr int32_t frameSize = 100;

struct LongRunCase {
    const char* name;
    DelayLine line;
};

// A FIR whose phase 0 is one tap of 1.0 at the tap that meets age D serves
// whole-sample delays exactly, as linear interpolation does.
DelayLine firWithUnitPhaseZero() {
    DelayLine line;
    line.filterRows = 4;  // H = 2: tap H - 1 meets the sample of age D
    line.filter.assign(4 * 3, 0.25);
    for (int32_t t = 0; t < 4; ++t) {
        line.filter[static_cast<std::size_t>(t)] = t == 1 ? 1.0 : 0.0;
    }
    return line;
}

class LongRun : public ::testing::TestWithParam<LongRunCase> {};

TEST_P(LongRun, WholeSampleDelaysReturnTheInputExactly) {
    const int64_t samplesPerChannel = sanitizedBuild ? 100'000 : 1'000'000;
    const DelayLine line = GetParam().line;
    vostrel::Simulation simulation(trustedBlock(), parametersOf(line),
                                   connectionsOf(channels * frameSize, channels));
    // Every channel's history, to check against: sample n of channel c.
    auto inputAt = [](int32_t c, int64_t n) {
        return n < 0 ? 0.0 : static_cast<double>((n * 7919 + c * 104729) % 1000003) / 1000003.0 - 0.5;
    };
    std::vector<double> data(channels * frameSize);
    std::vector<double> delays(channels);
    std::vector<double> out(channels * frameSize);
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    std::size_t heapAfterFirstFrames = 0;
    int64_t mismatches = 0;
    for (int64_t start = 0; start < samplesPerChannel; start += frameSize) {
        const int64_t frame = start / frameSize;
        for (int32_t c = 0; c < channels; ++c) {
            // Each channel's delay walks over every whole value of the range.
            delays[static_cast<std::size_t>(c)] = static_cast<double>((frame * (c + 1)) % 17);
            for (int32_t s = 0; s < frameSize; ++s) {
                data[static_cast<std::size_t>(c * frameSize + s)] = inputAt(c, start + s);
            }
        }
        simulation.step({data, delays}, {out});
        for (int32_t c = 0; c < channels; ++c) {
            const auto delay = static_cast<int64_t>(delays[static_cast<std::size_t>(c)]);
            for (int32_t s = 0; s < frameSize; ++s) {
                if (out[static_cast<std::size_t>(c * frameSize + s)] != inputAt(c, start + s - delay)) {
                    ++mismatches;
                }
            }
        }
        if (frame == 10) {
            heapAfterFirstFrames = mallinfo2().uordblks;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(vostrel::liveCallocBlocks(), liveBefore);
    // The host's per-call book-keeping may keep a little; a leak per call
    // would show as megabytes.
    EXPECT_LT(mallinfo2().uordblks, heapAfterFirstFrames + 64 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Trust, LongRun,
                         ::testing::Values(LongRunCase{"linear", DelayLine{}},
                                           LongRunCase{"fir", firWithUnitPhaseZero()}),
                         [](const ::testing::TestParamInfo<LongRunCase>& param) { return param.param.name; });

}  // namespace
}  // namespace quorbelin::testing
