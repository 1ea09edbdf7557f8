// The accuracy of an interpolator as the block applies it.
//
// A filter is an M x N matrix (M taps, N phases, H = M / 2). For a delay
// D + f (D >= H - 1 whole, f in [0, 1)) the block takes the phase
// p = trunc(f N + 0.5), carried into D + 1 when p = N, and tap t meets the
// sample of age D - H + 1 + t. Its response at w (radians per sample) is
// A(w) = sum_t h[t][p] exp(-j w (D - H + 1 + t)), its error
// E(w) = A(w) - exp(-j w (D + f)). Linear interpolation is the column
// [1 - f, f] over the ages D and D + 1, taken for each fraction itself.
//
// For a band B (a fraction of the Nyquist rate) and white noise limited to
// [0, B pi], the SNR of a fraction f is 10 log10(B pi / integral of |E|^2
// over [0, B pi]); the worst SNR is the lowest over f in [0, 1), the mean
// SNR the same with the error averaged over f uniform in [0, 1).
#ifndef QUORBELIN_CLI_FILTER_ANALYSIS_H
#define QUORBELIN_CLI_FILTER_ANALYSIS_H

#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "cli/matrix.h"

namespace quorbelin::cli {

// The bands every analysis reports, as fractions of the Nyquist rate.
inline constexpr double standardBands[] = {0.25, 0.5, 0.8, 0.9, 0.95};

struct BandFigures {
    double band = 0.0;
    double worstSnrDb = 0.0;
    double meanSnrDb = 0.0;
    double worstFraction = 0.0;  // a fraction in [0, 1) where the worst lies
};

struct FilterAnalysis {
    int32_t rows = 2;                 // taps
    std::optional<int32_t> phases;    // nothing for linear interpolation
    int64_t bytes = 0;                // the matrix as doubles
    int32_t minDelay = 0;             // the smallest whole delay served by the filter, H - 1
    double dcGainError = 0.0;         // the largest |sum of a phase's taps - 1|
    std::vector<BandFigures> bands;   // in increasing band order
};

// An interpolator: a filter matrix, or nothing for linear interpolation.
using Interpolator = std::optional<Matrix>;

// Refuses (std::invalid_argument, naming the place) a matrix that is empty
// or holds a value that is not finite.
void checkFilterMatrix(const Matrix& filter);

// Rows, phases, size, smallest delay, DC gain and the figures for the
// standard bands and the extra ones (each in (0, 1]), without duplicates.
FilterAnalysis analyzeFilter(const Interpolator& filter, std::span<const double> extraBands = {});

// Worst and mean SNR over one band in (0, 1].
BandFigures analyzeBand(const Interpolator& filter, double band);
// The same for several bands, each in (0, 1], in increasing order.
std::vector<BandFigures> analyzeBands(const Interpolator& filter, std::span<const double> bands);

// The response for the delay D + fraction (fraction in [0, 1)), relative to
// the whole delay D: A(w) exp(j w D).
std::complex<double> responseAt(const Interpolator& filter, double omega, double fraction);

struct PointResponse {
    double gainDb;       // 20 log10 |A|
    double phaseDelay;   // -arg(A) / w in samples past D, the branch nearest the fraction
};
PointResponse pointResponse(const Interpolator& filter, double omega, double fraction);

// |E(w)| in dB for the delay D + fraction (at least -400 dB, for plots).
double errorDb(const Interpolator& filter, double omega, double fraction);

}  // namespace quorbelin::cli

#endif
