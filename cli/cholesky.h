// Cholesky factorisation of a symmetric positive definite matrix, to solve
// several systems with the same matrix: the factor costs n^3 / 3, each
// solve n^2.
#ifndef QUORBELIN_CLI_CHOLESKY_H
#define QUORBELIN_CLI_CHOLESKY_H

#include <cstdint>
#include <span>
#include <vector>

namespace quorbelin::cli {

class CholeskyFactor {
public:
    // symmetric: n x n, row by row (only the lower triangle is read).
    // Throws std::domain_error when the matrix is not positive definite.
    CholeskyFactor(std::span<const double> symmetric, int32_t n);

    int32_t size() const { return n_; }
    // Overwrites b (n values) with the solution x of A x = b.
    void solve(std::span<double> b) const;

private:
    int32_t n_;
    std::vector<double> lower_;  // L, row by row, A = L L^T
};

}  // namespace quorbelin::cli

#endif
