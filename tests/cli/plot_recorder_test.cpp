// The plot's bins: bounded in number however long the signal, each holding
// exactly the lowest and highest value of the samples it covers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cli/plot.h"

namespace quorbelin::testing {
namespace {

double inputAt(int64_t n) { return std::sin(0.001 * n) + 0.3 * std::sin(0.37 * n); }
double outputAt(int64_t n) { return std::cos(0.002 * n); }
double delayAt(int64_t n) { return n % 1000 == 7 ? std::nan("") : 10.0 + std::sin(0.0001 * n); }

TEST(PlotRecorder, BinsHoldTheRangeOfTheirSamples) {
    for (const int64_t samples : {int64_t{0}, int64_t{5}, int64_t{100}, int64_t{101}, int64_t{99999}}) {
        cli::PlotRecorder recorder(3, 100);
        EXPECT_EQ(recorder.channels(), cli::maxPlottedChannels);
        for (int64_t n = 0; n < samples; ++n) {
            const std::vector<double> input = {inputAt(n), -inputAt(n), 99.0};
            const std::vector<double> output = {outputAt(n), 0.5, 99.0};
            recorder.add(n, input, output, delayAt(n));
        }
        const auto& bins = recorder.bins();
        EXPECT_LE(bins.size(), 100u) << samples;
        const int64_t width = recorder.samplesPerBin();
        EXPECT_EQ(static_cast<int64_t>(bins.size()), (samples + width - 1) / width) << samples;
        for (std::size_t b = 0; b < bins.size(); ++b) {
            ASSERT_EQ(bins[b].first, static_cast<int64_t>(b) * width);
            cli::ValueRange input, flipped, output, delay;
            for (int64_t n = bins[b].first; n < std::min(samples, bins[b].first + width); ++n) {
                input.include(inputAt(n));
                flipped.include(-inputAt(n));
                output.include(outputAt(n));
                if (!std::isnan(delayAt(n))) delay.include(delayAt(n));
            }
            EXPECT_EQ(bins[b].input[0].low, input.low);
            EXPECT_EQ(bins[b].input[0].high, input.high);
            EXPECT_EQ(bins[b].input[1].low, flipped.low);
            EXPECT_EQ(bins[b].output[0].high, output.high);
            EXPECT_EQ(bins[b].output[1].low, 0.5);
            EXPECT_EQ(bins[b].delay[0].low, delay.low);
            EXPECT_EQ(bins[b].delay[0].high, delay.high);
        }
    }
}

// A stretch of the run, input and output arriving apart (the output lags by
// a lookahead), and one delay per channel: each bin still holds exactly its
// own samples' range, and nothing outside the stretch is kept.
TEST(PlotRecorder, RangeAndOneDelayPerChannel) {
    const int64_t first = 1000, end = 5000, lag = 37;
    cli::PlotRecorder recorder(2, 64, 2, first, end);
    EXPECT_EQ(recorder.delayLines(), 2);
    for (int64_t n = 0; n < 6000 + lag; ++n) {
        if (n < 6000) {
            const std::vector<double> input = {inputAt(n), -inputAt(n)};
            recorder.addInput(n, input);
        }
        const int64_t out = n - lag;
        if (out >= 0) {
            const std::vector<double> output = {outputAt(out), 0.0};
            const std::vector<double> delays = {delayAt(out), -delayAt(out)};
            recorder.addOutput(out, output, delays);
        }
    }
    const auto& bins = recorder.bins();
    const int64_t width = recorder.samplesPerBin();
    ASSERT_EQ(static_cast<int64_t>(bins.size()), (end - first + width - 1) / width);
    for (std::size_t b = 0; b < bins.size(); ++b) {
        ASSERT_EQ(bins[b].first, first + static_cast<int64_t>(b) * width);
        cli::ValueRange input, delay, negated;
        for (int64_t n = bins[b].first; n < std::min(end, bins[b].first + width); ++n) {
            input.include(inputAt(n));
            if (!std::isnan(delayAt(n))) {
                delay.include(delayAt(n));
                negated.include(-delayAt(n));
            }
        }
        EXPECT_EQ(bins[b].input[0].low, input.low);
        EXPECT_EQ(bins[b].input[0].high, input.high);
        EXPECT_EQ(bins[b].delay[0].high, delay.high);
        EXPECT_EQ(bins[b].delay[1].low, negated.low);
    }
}

}  // namespace
}  // namespace quorbelin::testing
