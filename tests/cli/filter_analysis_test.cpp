// The accuracy analysis: known gains of classic interpolators, and the
// band SNRs against a brute-force evaluation that samples the fraction
// densely and integrates the error over frequency by the midpoint rule,
// straight from the block's rule for choosing a phase.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "cli/block_parameters.h"
#include "cli/filter_analysis.h"

namespace quorbelin::testing {
namespace {

constexpr double pi = std::numbers::pi;

// The block's output for the delay D + f relative to the sample of age D:
// phase p = trunc(f N + 0.5), carried into D + 1 at p = N; tap t meets the
// sample of age D - H + 1 + t. Linear: weights 1 - f and f on ages D, D + 1.
std::complex<double> blockResponse(const std::optional<cli::Matrix>& filter, double w, double f) {
    if (!filter) {
        return (1.0 - f) + f * std::exp(std::complex<double>(0.0, -w));
    }
    int phase = static_cast<int>(std::trunc(f * filter->columns + 0.5));
    int carry = 0;
    if (phase == filter->columns) {
        phase = 0;
        carry = 1;
    }
    std::complex<double> sum = 0.0;
    for (int t = 0; t < filter->rows; ++t) {
        const double age = carry - filter->rows / 2 + 1 + t;
        sum += (*filter)(t, phase) * std::exp(std::complex<double>(0.0, -w * age));
    }
    return sum;
}

struct BruteForce {
    double worstSnrDb;
    double meanSnrDb;
};

BruteForce bruteForce(const std::optional<cli::Matrix>& filter, double band, int fractions, int frequencies) {
    const double edge = band * pi;
    double worst = 0.0;
    double total = 0.0;
    std::vector<double> sampled;
    for (int k = 0; k < fractions; ++k) {
        sampled.push_back((k + 0.5) / fractions);
    }
    // Just below and at every rounding boundary, where the worst lies.
    if (filter) {
        for (int p = 0; p < filter->columns; ++p) {
            const double boundary = (p + 0.5) / filter->columns;
            sampled.push_back(boundary);
            sampled.push_back(std::nextafter(boundary, 0.0));
        }
    }
    for (std::size_t k = 0; k < sampled.size(); ++k) {
        double error = 0.0;
        for (int i = 0; i < frequencies; ++i) {
            const double w = (i + 0.5) * edge / frequencies;
            error += std::norm(blockResponse(filter, w, sampled[k]) -
                               std::exp(std::complex<double>(0.0, -w * sampled[k])));
        }
        error *= edge / frequencies;
        worst = std::max(worst, error);
        if (k < static_cast<std::size_t>(fractions)) {
            total += error;
        }
    }
    return {10.0 * std::log10(edge / worst), 10.0 * std::log10(edge / (total / fractions))};
}

TEST(FilterAnalysis, GainAtThreeEighthsOfTheRateForHalfASample) {
    // 18 kHz at 48 kHz, a delay of half a sample.
    const double w = 2.0 * pi * 18000.0 / 48000.0;
    const struct {
        const char* filter;
        double gainDb;
        double tolerance;
    } cases[] = {{"linear", -8.34, 0.005},
                 {"lagrange:3:64", -5.26, 0.005},
                 {"lagrange:5:64", -3.73, 0.005},
                 {"sinc:32:64", 0.0, 0.01}};
    for (const auto& c : cases) {
        const cli::PointResponse response = cli::pointResponse(cli::resolveFilter(c.filter), w, 0.5);
        EXPECT_NEAR(response.gainDb, c.gainDb, c.tolerance) << c.filter;
        // All four are symmetric about the half sample: linear phase.
        EXPECT_NEAR(response.phaseDelay, 0.5, 1e-9) << c.filter;
    }
}

TEST(FilterAnalysis, BandFiguresAgreeWithABruteForceEvaluation) {
    // A matrix of no design at all, with a phase count that is not a power of
    // 2, to exercise the rounding and carry on their own.
    std::mt19937_64 random(3);
    std::normal_distribution<double> jitter(0.0, 0.02);
    cli::Matrix odd{4, 5, {}};
    for (int p = 0; p < 5; ++p) {
        const double f = p / 5.0;
        const double cubic[] = {-f * (f - 1) * (f - 2) / 6, (f + 1) * (f - 1) * (f - 2) / 2,
                                -(f + 1) * f * (f - 2) / 2, (f + 1) * f * (f - 1) / 6};
        for (const double tap : cubic) {
            odd.columnMajor.push_back(tap + jitter(random));
        }
    }
    const std::vector<std::pair<std::string, std::optional<cli::Matrix>>> filters = {
        {"linear", std::nullopt},
        {"lagrange:3:8", cli::resolveFilter("lagrange:3:8")},
        {"sinc:16:16", cli::resolveFilter("sinc:16:16")},
        {"ls:8:3:0.7", cli::resolveFilter("ls:8:3:0.7")},
        {"jittered cubic, 5 phases", odd}};
    for (const auto& [name, filter] : filters) {
        for (const double band : {0.3, 0.9}) {
            const cli::BandFigures analysed = cli::analyzeBand(filter, band);
            const BruteForce expected = bruteForce(filter, band, 500, 400);
            EXPECT_NEAR(analysed.worstSnrDb, expected.worstSnrDb, 0.02) << name << " band " << band;
            EXPECT_NEAR(analysed.meanSnrDb, expected.meanSnrDb, 0.02) << name << " band " << band;
            EXPECT_LE(analysed.meanSnrDb - analysed.worstSnrDb, 30.0) << name;
            EXPECT_GE(analysed.meanSnrDb, analysed.worstSnrDb) << name;
        }
    }
}

TEST(FilterAnalysis, ReportsSizeSmallestDelayAndDcGain) {
    const double extra[] = {0.7, 0.8};
    const cli::FilterAnalysis sinc = cli::analyzeFilter(cli::resolveFilter("sinc:32:64"), extra);
    EXPECT_EQ(sinc.rows, 32);
    EXPECT_EQ(sinc.phases, 64);
    EXPECT_EQ(sinc.bytes, 32 * 64 * 8);
    EXPECT_EQ(sinc.minDelay, 15);
    EXPECT_LT(sinc.dcGainError, 1e-14);
    std::vector<double> bands;
    for (const cli::BandFigures& band : sinc.bands) {
        bands.push_back(band.band);
    }
    EXPECT_EQ(bands, (std::vector<double>{0.25, 0.5, 0.7, 0.8, 0.9, 0.95}));

    // A filter whose second phase sums to 1.25.
    const cli::FilterAnalysis skewed = cli::analyzeFilter(cli::Matrix{2, 2, {1.0, 0.0, 0.5, 0.75}});
    EXPECT_NEAR(skewed.dcGainError, 0.25, 1e-15);
    EXPECT_EQ(skewed.minDelay, 0);

    const cli::FilterAnalysis linear = cli::analyzeFilter(std::nullopt);
    EXPECT_FALSE(linear.phases);
    EXPECT_EQ(linear.bytes, 0);
    EXPECT_EQ(linear.minDelay, 0);

    EXPECT_THROW(cli::analyzeFilter(cli::Matrix{2, 1, {1.0, std::nan("")}}), std::invalid_argument);
}

}  // namespace
}  // namespace quorbelin::testing
