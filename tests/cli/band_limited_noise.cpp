#include "tests/cli/band_limited_noise.h"

#include <cmath>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>

#include "cli/block_parameters.h"
#include "cli/delay_block_ports.h"
#include "host/simulation.h"
#include "tests/support/block_path.h"

namespace quorbelin::testing {

namespace {

// In-place radix-2 transform; sign -1 forward, +1 inverse (unscaled).
void fft(std::vector<std::complex<double>>& values, int sign) {
    const std::size_t n = values.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(values[i], values[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = sign * 2.0 * std::numbers::pi / static_cast<double>(length);
        for (std::size_t start = 0; start < n; start += length) {
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> twiddle = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> even = values[start + k];
                const std::complex<double> odd = values[start + k + length / 2] * twiddle;
                values[start + k] = even + odd;
                values[start + k + length / 2] = even - odd;
            }
        }
    }
}

}  // namespace

BandLimitedNoise::BandLimitedNoise(int32_t period, double band, uint64_t seed)
    : period_(period), spectrum_(static_cast<std::size_t>(period)) {
    if (period < 4 || (period & (period - 1)) != 0) {
        throw std::invalid_argument("the period must be a power of 2");
    }
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
    const auto highest = static_cast<int32_t>(std::floor(band * period / 2));
    for (int32_t k = 1; k <= highest && k < period / 2; ++k) {
        spectrum_[static_cast<std::size_t>(k)] = std::polar(1.0, phase(random));
        spectrum_[static_cast<std::size_t>(period - k)] = std::conj(spectrum_[static_cast<std::size_t>(k)]);
    }
}

std::vector<double> BandLimitedNoise::delayed(double delay) const {
    std::vector<std::complex<double>> values(spectrum_.size());
    for (int32_t k = 0; k < period_; ++k) {
        // Bin k above the middle stands for the negative frequency k - period.
        const int32_t frequency = k <= period_ / 2 ? k : k - period_;
        const double w = 2.0 * std::numbers::pi * frequency / period_;
        values[static_cast<std::size_t>(k)] = spectrum_[static_cast<std::size_t>(k)] * std::polar(1.0, -w * delay);
    }
    fft(values, +1);
    std::vector<double> signal(values.size());
    for (std::size_t n = 0; n < values.size(); ++n) {
        signal[n] = values[n].real() / std::sqrt(static_cast<double>(period_));
    }
    return signal;
}

double BandLimitedNoise::at(double time) const {
    // Twice the real part of the positive bins, scaled as delayed() scales.
    double sum = 0.0;
    const double step = 2.0 * std::numbers::pi * time / period_;
    for (int32_t k = 1; k < period_ / 2; ++k) {
        const std::complex<double>& bin = spectrum_[static_cast<std::size_t>(k)];
        if (bin != 0.0) {
            sum += 2.0 * (bin * std::polar(1.0, step * k)).real();
        }
    }
    return sum / std::sqrt(static_cast<double>(period_));
}

std::vector<double> runBlock(const std::vector<double>& input, const std::vector<double>& delays,
                             const std::optional<cli::Matrix>& filter, int32_t maxDelay) {
    constexpr int32_t frame = 256;
    if (input.size() % frame != 0 || delays.size() != input.size()) {
        throw std::invalid_argument("runBlock: whole frames of input, one delay per sample");
    }
    cli::BlockParameters parameters;
    parameters.maxDelay = maxDelay;
    parameters.filter = filter;
    parameters.initialConditions = cli::Matrix{1, 1, {0.0}};
    parameters.channels = 1.0;
    parameters.perChannel = false;
    const vostrel::BlockLibrary library(blockLibraryPath());
    const vostrel::PortSignal port = vostrel::PortSignal::source(frame, false, frame);
    vostrel::Simulation simulation(library, cli::toHostArrays(parameters), cli::delayBlockConnections(port, port));
    std::vector<double> output(input.size());
    for (std::size_t first = 0; first < input.size(); first += frame) {
        simulation.step({std::span<const double>(input.data() + first, frame),
                         std::span<const double>(delays.data() + first, frame)},
                        {std::span<double>(output.data() + first, frame)});
    }
    return output;
}

double measuredSnrDb(const std::vector<double>& output, const std::vector<double>& reference) {
    double signal = 0.0;
    double error = 0.0;
    for (std::size_t n = 0; n < output.size(); ++n) {
        signal += reference[n] * reference[n];
        error += (output[n] - reference[n]) * (output[n] - reference[n]);
    }
    return 10.0 * std::log10(signal / error);
}

}  // namespace quorbelin::testing
