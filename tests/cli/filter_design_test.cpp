// The built-in filter designs, run through the block: the delay they realise
// is the one requested (so each column's taps sit where the block's window
// puts them: tap t meets the sample of age D - H + 1 + t), Lagrange designs
// reproduce polynomials up to their order, every phase has unit gain at DC,
// and a windowed sinc delays a tone with no more error than its length,
// window and phase count promise.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

constexpr double pi = std::numbers::pi;

struct Design {
    std::string text;
    int taps;
    int phases;
};

Design lagrange(int order, int phases) {
    return {"lagrange:" + std::to_string(order) + ":" + std::to_string(phases), order + 1, phases};
}

// Runs `input` (one channel) through the block with the given delays (one
// per sample) and design; returns the output.
std::vector<double> runDesign(const ScratchFolder& folder, const std::vector<double>& input,
                              const std::vector<double>& delays, const std::string& filter, int maxDelay,
                              double initialConditions = 0.0) {
    Rows inputRows, delayRows;
    for (const double x : input) inputRows.push_back({x});
    for (const double d : delays) delayRows.push_back({d});
    writeCsv(folder / "in.csv", inputRows);
    writeCsv(folder / "delays.csv", delayRows);
    char ic[32];
    std::snprintf(ic, sizeof ic, "%.17g", initialConditions);
    const ToolResult result = runTool({"run", folder / "in.csv", "-o", folder / "out.csv", "--delay",
                                       folder / "delays.csv", "--filter", filter, "--max-delay",
                                       std::to_string(maxDelay), "--ic", ic, "-q"});
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<double> output;
    for (const auto& row : readCsv(folder / "out.csv")) output.push_back(row.at(0));
    EXPECT_EQ(output.size(), input.size());
    return output;
}

// Delays that visit every phase of an N-phase design, with whole parts from
// `lowest` up; all lie on the phase grid, so the block realises them exactly.
std::vector<double> phaseSweep(int samples, int phases, int lowest) {
    std::vector<double> delays;
    for (int n = 0; n < samples; ++n) {
        delays.push_back(lowest + (n / phases) % 3 + static_cast<double>(n % phases) / phases);
    }
    return delays;
}

// A degree-1 polynomial is a ramp, which comes out as n - d exactly: the
// realised delay of a Lagrange design is the requested one.
TEST(FilterDesigns, LagrangeReproducesPolynomialsUpToItsOrder) {
    for (const Design& design : {lagrange(1, 4), lagrange(2, 8), lagrange(3, 16), lagrange(5, 8)}) {
        ScratchFolder folder;
        const int samples = 200;
        const int lowest = design.taps / 2 + 2;
        const std::vector<double> delays = phaseSweep(samples, design.phases, lowest);
        const int order = design.taps - 1;
        for (int degree = 0; degree <= order + 1; ++degree) {
            // Steep enough that one degree beyond the design shows an error
            // far above rounding.
            const auto polynomial = [degree](double n) { return std::pow((n - 100.0) / 4.0, degree); };
            std::vector<double> input;
            double largest = 1.0;
            for (int n = 0; n < samples; ++n) {
                input.push_back(polynomial(n));
                largest = std::max(largest, std::fabs(input.back()));
            }
            const std::vector<double> output = runDesign(folder, input, delays, design.text, lowest + 3);
            double worst = 0.0;
            for (int n = 2 * (lowest + 3) + design.taps; n < samples; ++n) {
                worst = std::max(worst, std::fabs(output[n] - polynomial(n - delays[n])));
            }
            const double rounding = 1e-13 * largest;
            if (degree <= order) {
                EXPECT_LE(worst, rounding) << design.text << " degree " << degree;
            } else {
                EXPECT_GT(worst, 10.0 * rounding) << design.text << " degree " << degree;
            }
        }
    }
}

TEST(FilterDesigns, EveryPhaseHasUnitGainAtDc) {
    const std::vector<Design> designs = {lagrange(3, 32), lagrange(4, 7), {"sinc:16:32", 16, 32},
                                         {"sinc:9:16:5", 9, 16}, {"sinc:64:128:12", 64, 128}};
    for (const Design& design : designs) {
        ScratchFolder folder;
        const int samples = 4 * design.phases * 3;
        const int lowest = design.taps / 2;
        const std::vector<double> delays = phaseSweep(samples, design.phases, lowest);
        // A constant signal from before the start: the initial conditions
        // hold the same value, so every output is the DC gain.
        const std::vector<double> output =
            runDesign(folder, std::vector<double>(samples, 0.75), delays, design.text, lowest + 3, 0.75);
        for (int n = 0; n < samples; ++n) {
            ASSERT_NEAR(output[n], 0.75, 1e-13) << design.text << " sample " << n << " delay " << delays[n];
        }
    }
}

// The delay a sinusoid comes out with, from its phase: the output is fitted
// by a sin(wn) + b cos(wn) = A sin(w(n - delay)) over whole periods.
double measuredDelay(const std::vector<double>& output, double omega, int from, int periods) {
    const int count = static_cast<int>(std::lround(periods * 2.0 * pi / omega));
    double a = 0.0, b = 0.0;
    for (int n = from; n < from + count; ++n) {
        a += output[n] * std::sin(omega * n);
        b += output[n] * std::cos(omega * n);
    }
    double delay = std::atan2(-b, a) / omega;
    while (delay < 0.0) delay += 2.0 * pi / omega;
    return delay;
}

// Windowed sinc designs have linear phase at every phase of the grid, so a
// low tone's delay is the requested one to within the design's ripple.
TEST(FilterDesigns, WindowedSincRealisedDelayIsTheRequestedOne) {
    const std::vector<Design> designs = {{"sinc:16:32", 16, 32}, {"sinc:32:64:8", 32, 64}, {"sinc:9:16", 9, 16}};
    // A low tone (period 40 samples) whose delay below one period is
    // unambiguous.
    const double omega = 2.0 * pi / 40.0;
    for (const Design& design : designs) {
        ScratchFolder folder;
        const int samples = 1400;
        std::vector<double> input;
        for (int n = 0; n < samples; ++n) input.push_back(std::sin(omega * n));
        for (const int phase : {0, 1, design.phases / 4, design.phases / 2, design.phases - 1}) {
            const double delay = 20.0 + static_cast<double>(phase) / design.phases;
            const std::vector<double> output =
                runDesign(folder, input, std::vector<double>(samples, delay), design.text, 24);
            EXPECT_NEAR(measuredDelay(output, omega, 200, 30), delay, 1e-3) << design.text << " phase " << phase;
        }
    }
}

TEST(FilterDesigns, DelayBetweenPhasesIsRoundedToTheNearestPhase) {
    ScratchFolder folder;
    const double omega = 2.0 * pi / 40.0;
    std::vector<double> input;
    for (int n = 0; n < 1400; ++n) input.push_back(std::sin(omega * n));
    // With 4 phases, 20.3 is served by phase 1 (20.25) and 20.9 by the next
    // whole sample.
    for (const auto& [requested, realised] : {std::pair{20.3, 20.25}, std::pair{20.9, 21.0}}) {
        const std::vector<double> output =
            runDesign(folder, input, std::vector<double>(input.size(), requested), "sinc:24:4", 24);
        EXPECT_NEAR(measuredDelay(output, omega, 200, 30), realised, 2e-3) << requested;
    }
}

// Kaiser's estimates for a window of shape beta (beta above 4.55): stopband
// and ripple attenuation A = beta / 0.1102 + 8.7 dB, hence a relative error
// of 10^(-A/20) in the passband, and a transition band
// (A - 8) / (2.285 (M - 1)) radians per sample wide around the Nyquist rate.
struct SincPromise {
    double ripple;
    double passbandEdge;  // radians per sample
};

SincPromise kaiserPromise(int taps, double beta) {
    const double attenuation = beta / 0.1102 + 8.7;
    const double transition = (attenuation - 8.0) / (2.285 * (taps - 1));
    return {std::pow(10.0, -attenuation / 20.0), pi - transition / 2.0};
}

TEST(FilterDesigns, WindowedSincDelaysAToneWithinItsPromisedError) {
    struct Case {
        std::string design;
        int taps, phases;
        double beta;
    };
    const Case cases[] = {{"sinc:16:64:6", 16, 64, 6.0},
                          {"sinc:32:64", 32, 64, 8.0},
                          {"sinc:32:1024:8", 32, 1024, 8.0},
                          {"sinc:64:4096:10", 64, 4096, 10.0}};
    const double omega = 2.0 * pi * 0.1;  // a fifth of the Nyquist rate
    ScratchFolder folder;
    std::vector<double> input;
    for (int n = 0; n < 3000; ++n) input.push_back(std::sin(omega * n));
    for (const Case& c : cases) {
        const SincPromise promise = kaiserPromise(c.taps, c.beta);
        ASSERT_LT(omega, promise.passbandEdge) << c.design;
        // Off the phase grid the delay is rounded by up to 1 / (2N) samples,
        // which moves a unit tone by up to omega / (2N).
        const double bound = promise.ripple + omega / (2.0 * c.phases);
        for (const double delay : {40.0, 40.5, 40.3, 47.77}) {
            const std::vector<double> output =
                runDesign(folder, input, std::vector<double>(input.size(), delay), c.design, 48);
            double worst = 0.0;
            for (int n = 200; n < static_cast<int>(input.size()); ++n) {
                worst = std::max(worst, std::fabs(output[n] - std::sin(omega * (n - delay))));
            }
            EXPECT_LE(worst, bound) << c.design << " delay " << delay;
        }
    }
}

}  // namespace
}  // namespace quorbelin::testing
