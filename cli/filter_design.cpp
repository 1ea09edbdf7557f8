#include "cli/filter_design.h"

#include <cmath>
#include <numbers>

#include "cli/errors.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

namespace {

// Offset of tap t from the sample of age D, where the block puts it.
double tapOffset(int32_t tap, int32_t taps) { return tap - taps / 2 + 1; }

Matrix emptyDesign(int32_t taps, int32_t phases) {
    Matrix matrix;
    matrix.rows = taps;
    matrix.columns = phases;
    matrix.columnMajor.assign(static_cast<std::size_t>(taps) * static_cast<std::size_t>(phases), 0.0);
    return matrix;
}

int32_t parseCount(std::string_view field, const std::string& what, int32_t low, int32_t high,
                   std::string_view text) {
    const auto value = parseInteger(field);
    if (!value || *value < low || *value > high) {
        throw UsageError("filter design '" + std::string(text) + "': " + what + " must be a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<int32_t>(*value);
}

// sin(pi x) / (pi x), exactly 0 at the nonzero integers so that phase 0 of
// a design is an exact whole-sample delay.
double normalisedSinc(double x) {
    if (x == 0.0) {
        return 1.0;
    }
    if (x == std::round(x)) {
        return 0.0;
    }
    const double angle = std::numbers::pi * x;
    return std::sin(angle) / angle;
}

double kaiserWindow(double offset, double halfWidth, double beta) {
    const double ratio = offset / halfWidth;
    if (std::fabs(ratio) > 1.0) {
        return 0.0;
    }
    return std::cyl_bessel_i(0.0, beta * std::sqrt(1.0 - ratio * ratio)) / std::cyl_bessel_i(0.0, beta);
}

}  // namespace

std::optional<FilterDesign> parseFilterDesign(std::string_view text) {
    const std::vector<std::string_view> fields = splitFields(text, ':');
    FilterDesign design;
    if (fields[0] == "lagrange") {
        design.kind = FilterDesign::Kind::Lagrange;
        if (fields.size() != 3) {
            throw UsageError("filter design '" + std::string(text) + "': expected lagrange:ORDER:PHASES");
        }
        design.taps = parseCount(fields[1], "ORDER", 1, maxDesignTaps - 1, text) + 1;
    } else if (fields[0] == "sinc") {
        design.kind = FilterDesign::Kind::Sinc;
        if (fields.size() != 3 && fields.size() != 4) {
            throw UsageError("filter design '" + std::string(text) + "': expected sinc:TAPS:PHASES[:BETA]");
        }
        design.taps = parseCount(fields[1], "TAPS", 2, maxDesignTaps, text);
        design.beta = defaultSincBeta;
        if (fields.size() == 4) {
            const auto beta = parseDouble(fields[3]);
            if (!beta || !(*beta >= 0.0 && *beta <= 100.0)) {
                throw UsageError("filter design '" + std::string(text) + "': BETA must be a number from 0 to 100");
            }
            design.beta = *beta;
        }
    } else {
        return std::nullopt;
    }
    design.phases = parseCount(fields[2], "PHASES", 1, maxDesignPhases, text);
    if (int64_t{design.taps} * design.phases > maxDesignCoefficients) {
        throw UsageError("filter design '" + std::string(text) + "': more than " +
                         std::to_string(maxDesignCoefficients) + " coefficients");
    }
    return design;
}

Matrix designFilter(const FilterDesign& design) {
    return design.kind == FilterDesign::Kind::Lagrange ? lagrangeFilter(design.taps - 1, design.phases)
                                                       : windowedSincFilter(design.taps, design.phases, design.beta);
}

Matrix lagrangeFilter(int32_t order, int32_t phases) {
    const int32_t taps = order + 1;
    Matrix matrix = emptyDesign(taps, phases);
    for (int32_t p = 0; p < phases; ++p) {
        const double fraction = static_cast<double>(p) / phases;
        for (int32_t t = 0; t < taps; ++t) {
            const double node = tapOffset(t, taps);
            double weight = 1.0;
            for (int32_t k = 0; k < taps; ++k) {
                if (k != t) {
                    const double other = tapOffset(k, taps);
                    weight *= (fraction - other) / (node - other);
                }
            }
            matrix.columnMajor[static_cast<std::size_t>(t) + static_cast<std::size_t>(p) * taps] = weight;
        }
    }
    return matrix;
}

Matrix windowedSincFilter(int32_t taps, int32_t phases, double beta) {
    Matrix matrix = emptyDesign(taps, phases);
    // The window is centred on the interpolated point, so every phase has
    // linear phase and its delay is exactly p / N. With an odd tap count the
    // block's window reaches one sample further into the past than into the
    // future; the window keeps to the symmetric part and the last tap is 0.
    const double halfWidth = taps / 2;
    for (int32_t p = 0; p < phases; ++p) {
        const double fraction = static_cast<double>(p) / phases;
        double* column = matrix.columnMajor.data() + static_cast<std::size_t>(p) * taps;
        double sum = 0.0;
        for (int32_t t = 0; t < taps; ++t) {
            const double offset = tapOffset(t, taps) - fraction;
            column[t] = normalisedSinc(offset) * kaiserWindow(offset, halfWidth, beta);
            sum += column[t];
        }
        // Unit gain at DC for every phase, so a phase change never shows up
        // as a change of level.
        for (int32_t t = 0; t < taps; ++t) {
            column[t] /= sum;
        }
    }
    return matrix;
}

}  // namespace quorbelin::cli
