#include "cli/gauss_legendre.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace quorbelin::cli {

QuadratureRule gaussLegendre(int32_t count, double low, double high) {
    if (count < 1) {
        throw std::invalid_argument("a quadrature rule needs at least one node");
    }
    QuadratureRule rule;
    rule.nodes.resize(static_cast<std::size_t>(count));
    rule.weights.resize(static_cast<std::size_t>(count));
    const double middle = 0.5 * (high + low);
    const double half = 0.5 * (high - low);
    const double n = count;
    // The roots of P_n are symmetric: find the upper half by Newton's
    // method from Tricomi's estimate, mirror the rest.
    for (int32_t i = 0; i < (count + 1) / 2; ++i) {
        double x = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
        double derivative = 1.0;
        // Converged once a step is below 1e-15; one more step polishes it
        // (and computes the derivative at the root).
        bool converged = false;
        for (int iteration = 0; iteration < 100; ++iteration) {
            // P_n(x) by the three-term recurrence, and P_n'(x) from P_{n-1}.
            double current = 1.0;
            double previous = 0.0;
            for (int32_t k = 1; k <= count; ++k) {
                const double older = previous;
                previous = current;
                current = ((2.0 * k - 1.0) * x * previous - (k - 1.0) * older) / k;
            }
            derivative = n * (x * current - previous) / (x * x - 1.0);
            const double step = current / derivative;
            x -= step;
            if (converged) {
                break;
            }
            converged = std::fabs(step) < 1e-15;
        }
        const double weight = 2.0 / ((1.0 - x * x) * derivative * derivative);
        const std::size_t upper = static_cast<std::size_t>(count - 1 - i);
        rule.nodes[static_cast<std::size_t>(i)] = middle - half * x;
        rule.nodes[upper] = middle + half * x;
        rule.weights[static_cast<std::size_t>(i)] = half * weight;
        rule.weights[upper] = half * weight;
    }
    return rule;
}

int32_t nodesForBand(double width, double span) {
    // Over [-1, 1] the rule's error on exp(i k x) falls like
    // (e k / 4n)^(2n): n = 1.1 k + 16 leaves it below 1e-25 for every k,
    // small or large.
    const double k = 0.5 * width * span;
    return static_cast<int32_t>(std::ceil(1.1 * k)) + 16;
}

}  // namespace quorbelin::cli
