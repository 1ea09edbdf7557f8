#include "cli/cholesky.h"

#include <cmath>
#include <stdexcept>

namespace quorbelin::cli {

CholeskyFactor::CholeskyFactor(std::span<const double> symmetric, int32_t n)
    : n_(n), lower_(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0) {
    const std::size_t size = static_cast<std::size_t>(n);
    if (n < 1 || symmetric.size() != size * size) {
        throw std::invalid_argument("Cholesky: the matrix must be n x n with n >= 1");
    }
    for (std::size_t i = 0; i < size; ++i) {
        double* row = lower_.data() + i * size;
        for (std::size_t j = 0; j <= i; ++j) {
            const double* other = lower_.data() + j * size;
            double sum = symmetric[i * size + j];
            for (std::size_t k = 0; k < j; ++k) {
                sum -= row[k] * other[k];
            }
            if (i == j) {
                if (!(sum > 0.0)) {
                    throw std::domain_error("Cholesky: the matrix is not positive definite");
                }
                row[i] = std::sqrt(sum);
            } else {
                row[j] = sum / other[j];
            }
        }
    }
}

void CholeskyFactor::solve(std::span<double> b) const {
    const std::size_t size = static_cast<std::size_t>(n_);
    if (b.size() != size) {
        throw std::invalid_argument("Cholesky: the right-hand side has the wrong length");
    }
    // L y = b, then L^T x = y.
    for (std::size_t i = 0; i < size; ++i) {
        const double* row = lower_.data() + i * size;
        double sum = b[i];
        for (std::size_t k = 0; k < i; ++k) {
            sum -= row[k] * b[k];
        }
        b[i] = sum / row[i];
    }
    // Column by column, so that the inner loop runs along a row of L.
    for (std::size_t i = size; i-- > 0;) {
        const double* row = lower_.data() + i * size;
        b[i] /= row[i];
        for (std::size_t k = 0; k < i; ++k) {
            b[k] -= row[k] * b[i];
        }
    }
}

}  // namespace quorbelin::cli
