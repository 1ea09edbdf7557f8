// Delay values for random runs: mostly ordinary fractions, with the values
// where behaviour changes mixed in (integers, the maximum, just around it,
// below 0, exact phase midpoints, NaN and the infinities).
#ifndef QUORBELIN_TESTS_ENGINE_RANDOM_DELAYS_H
#define QUORBELIN_TESTS_ENGINE_RANDOM_DELAYS_H

#include <cmath>
#include <limits>
#include <random>

namespace quorbelin::testing {

inline double randomDelay(std::mt19937& random, int maxDelay, int phases) {
    std::uniform_int_distribution<int> kind(0, 15);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> whole(0, maxDelay);
    const double inf = std::numeric_limits<double>::infinity();
    switch (kind(random)) {
    case 0: return static_cast<double>(whole(random));
    case 1: return maxDelay;
    case 2: return maxDelay + 0.5;
    case 3: return maxDelay - 0.01;
    case 4: return -3.2;
    case 5: return -0.0;
    case 6: {
        // An exact phase midpoint (p + 1/2) / N, where rounding goes up.
        const int n = phases > 0 ? phases : 4;
        std::uniform_int_distribution<int> phase(0, n - 1);
        return whole(random) + (phase(random) + 0.5) / n;
    }
    case 7: {
        const int pick = std::uniform_int_distribution<int>(0, 2)(random);
        return pick == 0 ? std::numeric_limits<double>::quiet_NaN() : pick == 1 ? inf : -inf;
    }
    default: return unit(random) * (maxDelay + 2.0) - 1.0;
    }
}

}  // namespace quorbelin::testing

#endif
