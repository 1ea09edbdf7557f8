// The analysis against a measurement: band-limited noise delayed through the
// block at many fractional delays, compared with the same noise delayed
// exactly by an FFT. Each constant delay's SNR is at least the worst the
// analysis gives, the worst fraction's comes out at that figure, and over
// fractions spread uniformly the SNR is the mean figure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "cli/block_parameters.h"
#include "cli/filter_analysis.h"
#include "tests/cli/band_limited_noise.h"

namespace quorbelin::testing {
namespace {

constexpr int32_t period = 4096;
constexpr double tolerance = 1.0;  // dB

struct Case {
    std::string filter;
    double band;
};

// Two periods of noise through the block with one delay per sample; the
// output's second period against the reference of each sample's delay.
double measure(const BandLimitedNoise& noise, const std::optional<cli::Matrix>& filter,
               const std::vector<double>& periodDelays, const std::vector<std::vector<double>>& references,
               const std::vector<std::size_t>& referenceOf, int32_t maxDelay) {
    std::vector<double> input = noise.delayed(0.0);
    input.insert(input.end(), input.begin(), input.end());
    std::vector<double> delays(periodDelays);
    delays.insert(delays.end(), periodDelays.begin(), periodDelays.end());
    const std::vector<double> output = runBlock(input, delays, filter, maxDelay);
    std::vector<double> settled(output.begin() + period, output.end());
    std::vector<double> reference(period);
    for (int32_t n = 0; n < period; ++n) {
        reference[static_cast<std::size_t>(n)] = references[referenceOf[static_cast<std::size_t>(n)]][static_cast<std::size_t>(n)];
    }
    return measuredSnrDb(settled, reference);
}

TEST(TimeDomainAccuracy, MeasuredSnrLiesBetweenTheWorstAndTheMeanOfTheAnalysis) {
    const std::vector<Case> cases = {{"linear", 0.5},        {"lagrange:3:64", 0.8}, {"sinc:32:64", 0.8},
                                     {"sinc:16:256", 0.5},   {"ls:16:32:0.8", 0.8},  {"ls:24:1024:0.9", 0.9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter + " over band " + std::to_string(c.band));
        const std::optional<cli::Matrix> filter = cli::resolveFilter(c.filter);
        const cli::BandFigures figures = cli::analyzeBand(filter, c.band);
        const BandLimitedNoise noise(period, c.band, 17);
        // Whole delays from the smallest the filter serves.
        const int32_t whole = filter ? std::max(0, filter->rows / 2 - 1) + 1 : 1;
        const int32_t maxDelay = whole + 2;

        // Constant delays: a few fractions, and both sides of the worst one
        // (it may lie on a rounding boundary).
        std::vector<double> fractions = {0.1, 0.25, 0.5, 0.8, figures.worstFraction,
                                         std::max(0.0, figures.worstFraction - 1e-12)};
        double lowest = 1e300;
        for (const double fraction : fractions) {
            const double delay = whole + fraction;
            const double snr = measure(noise, filter, std::vector<double>(period, delay), {noise.delayed(delay)},
                                       std::vector<std::size_t>(period, 0), maxDelay);
            EXPECT_GE(snr, figures.worstSnrDb - tolerance) << "fraction " << fraction;
            lowest = std::min(lowest, snr);
        }
        EXPECT_NEAR(lowest, figures.worstSnrDb, tolerance);

        // Every sample its own fraction, stratified over [0, 1).
        constexpr int32_t strata = 256;
        std::mt19937_64 random(5);
        std::uniform_real_distribution<double> within(0.0, 1.0);
        std::vector<std::vector<double>> references;
        std::vector<double> stratumDelay;
        for (int32_t j = 0; j < strata; ++j) {
            stratumDelay.push_back(whole + (j + within(random)) / strata);
            references.push_back(noise.delayed(stratumDelay.back()));
        }
        std::vector<std::size_t> referenceOf(period);
        std::vector<double> delays(period);
        for (int32_t n = 0; n < period; ++n) {
            referenceOf[static_cast<std::size_t>(n)] = std::uniform_int_distribution<std::size_t>(0, strata - 1)(random);
            delays[static_cast<std::size_t>(n)] = stratumDelay[referenceOf[static_cast<std::size_t>(n)]];
        }
        const double pooled = measure(noise, filter, delays, references, referenceOf, maxDelay);
        EXPECT_GE(pooled, figures.worstSnrDb - tolerance);
        EXPECT_NEAR(pooled, figures.meanSnrDb, tolerance);
    }
}

}  // namespace
}  // namespace quorbelin::testing
