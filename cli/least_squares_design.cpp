#include "cli/least_squares_design.h"

#include <cfloat>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace quorbelin::cli {

namespace {

// The ridge on the diagonal, relative to the largest eigenvalue the matrix
// can have (pi): enough to keep Cholesky's rounding (about taps * eps of
// that eigenvalue) from meeting an eigenvalue of 0.
double ridgeFor(int32_t taps) { return std::numbers::pi * (1e-12 + 8.0 * taps * DBL_EPSILON); }

// The integral of cos(w x) over [0, W].
double bandIntegral(double x, double bandEdge) { return x == 0.0 ? bandEdge : std::sin(bandEdge * x) / x; }

std::vector<double> normalMatrix(int32_t taps, double bandEdge) {
    const std::size_t n = static_cast<std::size_t>(taps);
    std::vector<double> matrix(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            matrix[i * n + j] = bandIntegral(static_cast<double>(i) - static_cast<double>(j), bandEdge);
        }
        matrix[i * n + i] += ridgeFor(taps);
    }
    return matrix;
}

CholeskyFactor checkedFactor(int32_t taps, double band) {
    if (taps < 1 || !(band > 0.0 && band <= 1.0)) {
        throw std::invalid_argument("least-squares design: taps must be positive and the band lie in (0, 1]");
    }
    return CholeskyFactor(normalMatrix(taps, band * std::numbers::pi), taps);
}

}  // namespace

LeastSquaresDesigner::LeastSquaresDesigner(int32_t taps, double band)
    : taps_(taps), bandEdge_(band * std::numbers::pi), factor_(checkedFactor(taps, band)),
      unitSolution_(static_cast<std::size_t>(taps), 1.0) {
    factor_.solve(unitSolution_);
    unitSum_ = 0.0;
    for (const double value : unitSolution_) {
        unitSum_ += value;
    }
}

void LeastSquaresDesigner::column(double fraction, std::span<double> taps) const {
    if (taps.size() != static_cast<std::size_t>(taps_)) {
        throw std::invalid_argument("least-squares design: the column has the wrong length");
    }
    const double firstOffset = 1.0 - taps_ / 2;
    for (std::size_t t = 0; t < taps.size(); ++t) {
        taps[t] = bandIntegral(firstOffset + static_cast<double>(t) - fraction, bandEdge_);
    }
    factor_.solve(taps);
    double sum = 0.0;
    for (const double tap : taps) {
        sum += tap;
    }
    const double multiplier = (1.0 - sum) / unitSum_;
    for (std::size_t t = 0; t < taps.size(); ++t) {
        taps[t] += multiplier * unitSolution_[t];
    }
}

}  // namespace quorbelin::cli
