#include "cli/filter_design.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "cli/errors.h"
#include "cli/format_number.h"
#include "cli/least_squares_design.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

namespace {

// Offset of tap t from the sample of age D, where the block puts it.
double tapOffset(int32_t tap, int32_t taps) { return tap - taps / 2 + 1; }

int32_t parseCount(std::string_view field, const std::string& what, int32_t low, int32_t high,
                   std::string_view text) {
    const auto value = parseInteger(field);
    if (!value || *value < low || *value > high) {
        throw UsageError("filter design '" + std::string(text) + "': " + what + " must be a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<int32_t>(*value);
}

double parseBounded(std::string_view field, const std::string& what, bool lowIncluded, double low, double high,
                    std::string_view text) {
    const auto value = parseDouble(field);
    if (!value || !(lowIncluded ? *value >= low : *value > low) || !(*value <= high)) {
        char range[96];
        std::snprintf(range, sizeof range, "%s %g to %g", lowIncluded ? "from" : "above", low, high);
        throw UsageError("filter design '" + std::string(text) + "': " + what + " must be a number " + range);
    }
    return *value;
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

// The modified Bessel function I0 by its power series, sum of
// ((x/2)^k / k!)^2: every term is positive, so it sums without cancelling,
// and for the window's arguments (at most 100) it ends within some 150
// terms, far sooner than the general-purpose routine.
double besselI0(double x) {
    const double quarterSquare = 0.25 * x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; term > 1e-17 * sum; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// The Kaiser window at an offset, divided by its value at the centre.
double kaiserWindow(double offset, double halfWidth, double beta, double centre) {
    const double ratio = offset / halfWidth;
    if (std::fabs(ratio) > 1.0) {
        return 0.0;
    }
    return besselI0(beta * std::sqrt(1.0 - ratio * ratio)) / centre;
}

void lagrangeColumn(double fraction, std::span<double> column) {
    const auto taps = static_cast<int32_t>(column.size());
    for (int32_t t = 0; t < taps; ++t) {
        const double node = tapOffset(t, taps);
        double weight = 1.0;
        for (int32_t k = 0; k < taps; ++k) {
            if (k != t) {
                const double other = tapOffset(k, taps);
                weight *= (fraction - other) / (node - other);
            }
        }
        column[static_cast<std::size_t>(t)] = weight;
    }
}

void windowedSincColumn(double beta, double fraction, std::span<double> column) {
    const auto taps = static_cast<int32_t>(column.size());
    // The window is centred on the interpolated point, so every phase has
    // linear phase and its delay is exactly the fraction. With an odd tap
    // count the block's window reaches one sample further into the past
    // than into the future; the window keeps to the symmetric part and the
    // last tap is 0.
    const double halfWidth = taps / 2;
    const double centre = besselI0(beta);
    double sum = 0.0;
    for (int32_t t = 0; t < taps; ++t) {
        const double offset = tapOffset(t, taps) - fraction;
        column[static_cast<std::size_t>(t)] = normalisedSinc(offset) * kaiserWindow(offset, halfWidth, beta, centre);
        sum += column[static_cast<std::size_t>(t)];
    }
    // Unit gain at DC for every phase, so a phase change never shows up as
    // a change of level.
    for (double& tap : column) {
        tap /= sum;
    }
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
        design.beta = fields.size() == 4 ? parseBounded(fields[3], "BETA", true, 0.0, 100.0, text) : defaultSincBeta;
    } else if (fields[0] == "ls") {
        design.kind = FilterDesign::Kind::LeastSquares;
        if (fields.size() != 4) {
            throw UsageError("filter design '" + std::string(text) + "': expected ls:TAPS:PHASES:BAND");
        }
        design.taps = parseCount(fields[1], "TAPS", 2, maxDesignTaps, text);
        design.band = parseBounded(fields[3], "BAND (a fraction of the Nyquist rate)", false, 0.0, 1.0, text);
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

std::string formatFilterDesign(const FilterDesign& design) {
    const std::string phases = std::to_string(design.phases);
    switch (design.kind) {
    case FilterDesign::Kind::Lagrange:
        return "lagrange:" + std::to_string(design.taps - 1) + ":" + phases;
    case FilterDesign::Kind::Sinc:
        return "sinc:" + std::to_string(design.taps) + ":" + phases +
               (design.beta == defaultSincBeta ? "" : ":" + shortestText(design.beta));
    case FilterDesign::Kind::LeastSquares:
        break;
    }
    return "ls:" + std::to_string(design.taps) + ":" + phases + ":" + shortestText(design.band);
}

ColumnDesigner columnDesigner(const FilterDesign& design) {
    switch (design.kind) {
    case FilterDesign::Kind::Lagrange:
        return lagrangeColumn;
    case FilterDesign::Kind::Sinc:
        return [beta = design.beta](double fraction, std::span<double> taps) {
            windowedSincColumn(beta, fraction, taps);
        };
    case FilterDesign::Kind::LeastSquares:
        break;
    }
    // The factorisation is shared by every column.
    auto designer = std::make_shared<const LeastSquaresDesigner>(design.taps, design.band);
    return [designer](double fraction, std::span<double> taps) { designer->column(fraction, taps); };
}

Matrix designFilter(const FilterDesign& design) {
    const ColumnDesigner designColumn = columnDesigner(design);
    Matrix matrix;
    matrix.rows = design.taps;
    matrix.columns = design.phases;
    matrix.columnMajor.assign(static_cast<std::size_t>(design.taps) * static_cast<std::size_t>(design.phases), 0.0);
    for (int32_t p = 0; p < design.phases; ++p) {
        designColumn(static_cast<double>(p) / design.phases,
                     std::span<double>(matrix.columnMajor.data() + static_cast<std::size_t>(p) * design.taps,
                                       static_cast<std::size_t>(design.taps)));
    }
    return matrix;
}

}  // namespace quorbelin::cli
