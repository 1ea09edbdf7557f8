// A longer measurement than the test suite's, run by hand: a filter chosen
// by `quorbelin design-filter auto --snr DB --band B`, used by `quorbelin
// run` on band-limited noise (B of the Nyquist rate) with random constant
// delays and with slowly moving ones, against the noise delayed exactly.
// Prints each run's SNR and the analysis figures they should respect.
//
//   quorbelin_accuracy_measurement [SNR_DB [BAND]]     (default 80 0.8)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "tests/cli/band_limited_noise.h"
#include "tests/cli/tool_runner.h"

using namespace quorbelin::testing;

namespace {

constexpr int32_t period = 16384;

std::vector<double> runDelay(const ScratchFolder& folder, const std::vector<double>& input,
                            const std::vector<double>& delays, int maxDelay) {
    Rows inputRows, delayRows;
    for (const double x : input) inputRows.push_back({x});
    for (const double d : delays) delayRows.push_back({d});
    writeCsv(folder / "in.csv", inputRows);
    writeCsv(folder / "delays.csv", delayRows);
    const ToolResult result = quorbelin::testing::runTool({"run", folder / "in.csv", "-o", folder / "out.csv",
                                                           "--delay", folder / "delays.csv", "--filter",
                                                           folder / "f.csv", "--max-delay",
                                                           std::to_string(maxDelay), "-q"});
    if (result.status != 0) {
        std::fprintf(stderr, "run failed: %s\n", result.err.c_str());
        std::exit(1);
    }
    std::vector<double> output;
    for (const auto& row : readCsv(folder / "out.csv")) output.push_back(row.at(0));
    return output;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string snr = argc > 1 ? argv[1] : "80";
    const std::string band = argc > 2 ? argv[2] : "0.8";
    ScratchFolder folder;
    const ToolResult design =
        quorbelin::testing::runTool({"design-filter", "auto", "--snr", snr, "--band", band, "-o", folder / "f.csv"});
    if (design.status != 0) {
        std::fprintf(stderr, "%s", design.err.c_str());
        return 1;
    }
    std::printf("%s", design.err.c_str());
    const int taps = static_cast<int>(readCsv(folder / "f.csv").size());
    const int lowest = taps / 2 - 1;  // the smallest whole delay that gets the filter
    const int maxDelay = lowest + 4;

    const BandLimitedNoise noise(period, std::stod(band), 2024);
    std::vector<double> input = noise.delayed(0.0);
    input.insert(input.end(), input.begin(), input.end());
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double lowestSnr = 1e300;

    std::printf("\nconstant delays (SNR over the second of two periods of %d samples):\n", period);
    for (int k = 0; k < 12; ++k) {
        const double delay = lowest + 3.0 * uniform(random);
        const std::vector<double> output = runDelay(folder, input, std::vector<double>(input.size(), delay), maxDelay);
        const std::vector<double> settled(output.begin() + period, output.end());
        const double measured = measuredSnrDb(settled, noise.delayed(delay));
        lowestSnr = std::min(lowestSnr, measured);
        std::printf("  delay %.6f  SNR %.2f dB\n", delay, measured);
    }

    std::printf("\nslowly moving delays, against the noise's Fourier series at n - d(n):\n");
    for (int k = 0; k < 3; ++k) {
        // A sine sweep over three samples at a random rate, slow enough to
        // take the fraction through every phase many times.
        const double hertz = (0.5 + uniform(random)) / period;
        const double phase = 2.0 * std::numbers::pi * uniform(random);
        std::vector<double> delays(input.size());
        for (std::size_t n = 0; n < delays.size(); ++n) {
            delays[n] = lowest + 1.5 + 1.45 * std::sin(2.0 * std::numbers::pi * hertz * n + phase);
        }
        const std::vector<double> output = runDelay(folder, input, delays, maxDelay);
        std::vector<double> settled, reference;
        for (std::size_t n = period; n < output.size(); ++n) {
            settled.push_back(output[n]);
            reference.push_back(noise.at(static_cast<double>(n) - delays[n]));
        }
        const double measured = measuredSnrDb(settled, reference);
        lowestSnr = std::min(lowestSnr, measured);
        std::printf("  sweep %.3g cycles per period  SNR %.2f dB\n", hertz * period, measured);
    }
    std::printf("\nlowest measured SNR %.2f dB (requested %s dB over band %s)\n", lowestSnr, snr.c_str(),
                band.c_str());
    return lowestSnr >= std::stod(snr) ? 0 : 1;
}
