// Least-squares fractional-delay FIR filters: for each phase, the taps that
// minimise the integrated squared error over the band [0, B pi] for that
// phase's fraction (B a fraction of the Nyquist rate), with every phase's
// gain at DC exactly 1.
//
// With tap t at offset u_t = t - H + 1 from the sample of age D and the
// fraction f, the error is sum_t h_t exp(-j w u_t) - exp(-j w f), and its
// integral over [0, W] (W = B pi) is least where R h = r, with
//     R[t][s] = S(t - s),  r[t] = S(u_t - f),  S(x) = sin(W x) / x, S(0) = W:
// a symmetric Toeplitz matrix of sinc terms, the same for every phase. The
// DC gain is a linear constraint, sum_t h_t = 1, met exactly by a Lagrange
// multiplier: h = R^-1 r + m R^-1 1 with m chosen to make the sum 1. That
// is the least band error of all filters with unit DC gain, so no
// correction applied afterwards (scaling, or spreading the DC error over
// the taps) can do better.
//
// For B < 1 the matrix has about (1 - B) M eigenvalues that fall towards 0
// faster than exponentially, and in double precision it is singular: taps
// along those directions shape only the response above the band. A ridge
// of about 1e-12 pi on the diagonal (a little more for thousands of taps,
// to stay clear of the factorisation's rounding) keeps it positive definite
// and those taps bounded; it raises the band error by at most the ridge
// times the taps' energy, some 120 dB below the band's.
#ifndef QUORBELIN_CLI_LEAST_SQUARES_DESIGN_H
#define QUORBELIN_CLI_LEAST_SQUARES_DESIGN_H

#include <cstdint>
#include <span>
#include <vector>

#include "cli/cholesky.h"

namespace quorbelin::cli {

class LeastSquaresDesigner {
public:
    // taps >= 1, band in (0, 1].
    LeastSquaresDesigner(int32_t taps, double band);

    // The taps for the fraction (tap t at offset t - taps / 2 + 1).
    void column(double fraction, std::span<double> taps) const;

private:
    int32_t taps_;
    double bandEdge_;  // W = B pi
    CholeskyFactor factor_;
    std::vector<double> unitSolution_;  // R^-1 1
    double unitSum_;                    // 1^T R^-1 1
};

}  // namespace quorbelin::cli

#endif
