// Built-in polyphase interpolation filters, in the layout the block takes:
// one column per phase, column p serving the fractional delay p / N, one row
// per tap. The block lines the taps up with the stored samples so that tap t
// meets the sample of age D - H + 1 + t (H = rows / 2, D the whole part of
// the delay), so tap t sits at offset t - H + 1 from the sample of age D;
// each design evaluates its interpolator at those offsets less p / N.
//
// Lagrange interpolation of order n (n + 1 taps) reproduces polynomials of
// degree up to n exactly and is cheap, but dulls high frequencies. A
// Kaiser-windowed sinc keeps the band up to near the Nyquist rate flat; its
// error falls with more taps (and a larger beta) until the phase grid, a
// delay error of up to 1 / (2N) samples, dominates. Use an even number of
// taps for the sinc: an odd count only adds a zero tap. A least-squares
// design (see least_squares_design.h) has the least error over the band it
// is designed for, and none of its taps is spent on the band above.
//
// The block interpolates with a filter of M taps only from a whole delay of
// M / 2 - 1 samples on; shorter delays fall back to linear interpolation.
#ifndef QUORBELIN_CLI_FILTER_DESIGN_H
#define QUORBELIN_CLI_FILTER_DESIGN_H

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/matrix.h"

namespace quorbelin::cli {

struct FilterDesign {
    enum class Kind { Lagrange, Sinc, LeastSquares };
    Kind kind = Kind::Lagrange;
    int32_t taps = 0;    // order + 1 for Lagrange
    int32_t phases = 0;
    double beta = 0.0;   // Kaiser window shape, sinc only
    double band = 0.0;   // design band (a fraction of the Nyquist rate), least squares only
};

inline constexpr double defaultSincBeta = 8.0;
// Bounds that keep a design to a sensible size (at most 16 Mi coefficients).
inline constexpr int32_t maxDesignTaps = 4096;
inline constexpr int32_t maxDesignPhases = 65536;
inline constexpr int64_t maxDesignCoefficients = int64_t{1} << 24;

// The design forms, for messages and help texts.
inline constexpr const char* designForms = "lagrange:ORDER:PHASES, sinc:TAPS:PHASES[:BETA] or ls:TAPS:PHASES:BAND";

// "lagrange:ORDER:PHASES", "sinc:TAPS:PHASES[:BETA]" or
// "ls:TAPS:PHASES:BAND". Nothing for a text that starts with none of these
// kinds; UsageError for a malformed design.
std::optional<FilterDesign> parseFilterDesign(std::string_view text);

// The design's text, which parseFilterDesign reads back as the same design.
std::string formatFilterDesign(const FilterDesign& design);

// Fills the taps (design.taps of them) of the column serving a fraction in
// [0, 1); the phase count plays no part.
using ColumnDesigner = std::function<void(double fraction, std::span<double> taps)>;
ColumnDesigner columnDesigner(const FilterDesign& design);

Matrix designFilter(const FilterDesign& design);

}  // namespace quorbelin::cli

#endif
