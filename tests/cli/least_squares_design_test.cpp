// Least-squares designs: each phase's taps are those of a brute-force
// solve of the constrained least-squares problem (the band integrals taken
// numerically, the system with its unit-DC-gain row solved by Gaussian
// elimination), every phase has unit gain at DC, and over its design band
// the design beats a Kaiser-windowed sinc of the same size.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "cli/block_parameters.h"
#include "cli/errors.h"
#include "cli/filter_analysis.h"
#include "cli/filter_design.h"

namespace quorbelin::testing {
namespace {

constexpr double pi = std::numbers::pi;

// Minimises the integral over [0, B pi] of |sum_t h_t e^{-jw u_t} - e^{-jw f}|^2
// subject to sum_t h_t = 1, u_t = t - taps/2 + 1: the stationarity
// conditions with a multiplier, integrals by Simpson's rule.
std::vector<double> bruteForceColumn(int taps, double band, double fraction) {
    const int n = taps + 1;
    const int points = 20000;
    const double edge = band * pi;
    std::vector<std::vector<double>> system(n, std::vector<double>(n + 1, 0.0));
    for (int i = 0; i <= points; ++i) {
        const double w = i * edge / points;
        const double dw = (i == 0 || i == points ? 1.0 : i % 2 == 1 ? 4.0 : 2.0) * edge / points / 3.0;
        for (int a = 0; a < taps; ++a) {
            const double ua = a - taps / 2 + 1;
            for (int b = 0; b < taps; ++b) {
                const double ub = b - taps / 2 + 1;
                system[a][b] += std::cos(w * (ua - ub)) * dw;
            }
            system[a][n] += std::cos(w * (ua - fraction)) * dw;
        }
    }
    for (int a = 0; a < taps; ++a) {
        system[a][taps] = 1.0;  // the multiplier's column
        system[taps][a] = 1.0;  // sum of taps ...
    }
    system[taps][n] = 1.0;  // ... is 1
    // Gaussian elimination with partial pivoting.
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row) {
            if (std::fabs(system[row][col]) > std::fabs(system[pivot][col])) pivot = row;
        }
        std::swap(system[col], system[pivot]);
        for (int row = 0; row < n; ++row) {
            if (row == col) continue;
            const double factor = system[row][col] / system[col][col];
            for (int k = col; k <= n; ++k) system[row][k] -= factor * system[col][k];
        }
    }
    std::vector<double> taps_(taps);
    for (int a = 0; a < taps; ++a) taps_[a] = system[a][n] / system[a][a];
    return taps_;
}

TEST(LeastSquaresDesign, MatchesABruteForceSolveAndHasUnitDcGain) {
    for (const auto& [taps, phases, band, text] :
         {std::tuple{4, 3, 0.7, "ls:4:3:0.7"}, std::tuple{6, 4, 0.9, "ls:6:4:0.9"}, std::tuple{5, 2, 0.5, "ls:5:2:0.5"}}) {
        const cli::Matrix filter = *cli::resolveFilter(text);
        ASSERT_EQ(filter.rows, taps);
        ASSERT_EQ(filter.columns, phases);
        for (int p = 0; p < phases; ++p) {
            const std::vector<double> expected = bruteForceColumn(taps, band, static_cast<double>(p) / phases);
            double sum = 0.0;
            for (int t = 0; t < taps; ++t) {
                EXPECT_NEAR(filter(t, p), expected[t], 1e-6) << text << " phase " << p << " tap " << t;
                sum += filter(t, p);
            }
            EXPECT_NEAR(sum, 1.0, 1e-9) << text << " phase " << p;
        }
    }
}

TEST(LeastSquaresDesign, BeatsTheKaiserSincOfTheSameSizeOverItsBand) {
    for (const int taps : {16, 32}) {
        for (const char* band : {"0.5", "0.9"}) {
            const std::string size = std::to_string(taps) + ":256";
            const double b = std::stod(band);
            const cli::BandFigures ls = cli::analyzeBand(cli::resolveFilter("ls:" + size + ":" + band), b);
            const cli::BandFigures sinc = cli::analyzeBand(cli::resolveFilter("sinc:" + size), b);
            EXPECT_GT(ls.meanSnrDb, sinc.meanSnrDb) << taps << " taps, band " << band;
            EXPECT_GE(ls.worstSnrDb, sinc.worstSnrDb) << taps << " taps, band " << band;
        }
    }
}

TEST(LeastSquaresDesign, DesignStringsReadBackAndBadOnesAreRefused) {
    const auto design = cli::parseFilterDesign("ls:24:4096:0.8");
    ASSERT_TRUE(design);
    EXPECT_EQ(cli::formatFilterDesign(*design), "ls:24:4096:0.8");
    EXPECT_EQ(cli::formatFilterDesign(*cli::parseFilterDesign("sinc:32:64:11")), "sinc:32:64:11");
    EXPECT_EQ(cli::formatFilterDesign(*cli::parseFilterDesign("sinc:32:64")), "sinc:32:64");
    for (const char* bad : {"ls:24:4096", "ls:24:4096:0", "ls:24:4096:1.5", "ls:1:4:0.5", "ls:24:4096:x"}) {
        EXPECT_THROW(cli::parseFilterDesign(bad), cli::UsageError) << bad;
    }
}

}  // namespace
}  // namespace quorbelin::testing
