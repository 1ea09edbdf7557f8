// Gauss-Legendre quadrature: nodes and weights that integrate a polynomial
// of degree up to 2n - 1 exactly over an interval. The analysis integrates
// squared errors of FIR responses, which are trigonometric polynomials and
// so entire functions; the rule converges on them faster than any power of
// n once n passes about half the interval's length times the largest
// frequency in the integrand (see nodesForBand).
#ifndef QUORBELIN_CLI_GAUSS_LEGENDRE_H
#define QUORBELIN_CLI_GAUSS_LEGENDRE_H

#include <cstdint>
#include <vector>

namespace quorbelin::cli {

struct QuadratureRule {
    std::vector<double> nodes;
    std::vector<double> weights;
};

// The n-point rule over [low, high] (n >= 1).
QuadratureRule gaussLegendre(int32_t count, double low, double high);

// Enough nodes to integrate, over [0, width], a function whose spectrum
// reaches `span` (radians per unit of the variable, e.g. the spread in
// samples of the delays in a response over frequency) to double precision.
int32_t nodesForBand(double width, double span);

}  // namespace quorbelin::cli

#endif
