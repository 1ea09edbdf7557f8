// Periodic band-limited noise and its exact fractional delays, for measuring
// interpolators in the time domain: the noise has a flat spectrum (every
// bin from 1 to the band edge at the same level, random phases), so its
// error energy through a filter is the band integral of the squared error
// the analysis computes, with no periodogram scatter; a delay of d samples
// is the spectrum turned by exp(-j w d) and transformed back (an FFT delay).
#ifndef QUORBELIN_TESTS_CLI_BAND_LIMITED_NOISE_H
#define QUORBELIN_TESTS_CLI_BAND_LIMITED_NOISE_H

#include <complex>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/matrix.h"

namespace quorbelin::testing {

class BandLimitedNoise {
public:
    // period: a power of 2; band: the highest bin's frequency as a
    // fraction of the Nyquist rate.
    BandLimitedNoise(int32_t period, double band, uint64_t seed);

    int32_t period() const { return period_; }
    // One period of the noise delayed by `delay` samples (any real number).
    std::vector<double> delayed(double delay) const;
    // The noise at any time (in samples), from its Fourier series: for
    // delays that change from sample to sample.
    double at(double time) const;

private:
    int32_t period_;
    std::vector<std::complex<double>> spectrum_;  // bins 0 ... period - 1
};

// Runs a signal through the block (one channel, one delay per sample, frame
// 256) with the given filter (nothing: linear) and returns its output.
std::vector<double> runBlock(const std::vector<double>& input, const std::vector<double>& delays,
                             const std::optional<cli::Matrix>& filter, int32_t maxDelay);

// 10 log10(reference energy / error energy).
double measuredSnrDb(const std::vector<double>& output, const std::vector<double>& reference);

}  // namespace quorbelin::testing

#endif
