// Filters ordered by accuracy: the cheapest built-in design whose worst SNR
// over a band (see filter_analysis.h) meets a target. Cheapest means fewest
// taps first, since taps decide the block's speed, then fewest phases,
// since phases decide its memory; between families that tie, the more
// accurate design.
//
// The search probes each family at a tap count on 64 fractions spread over
// [0, 1) (its designs change smoothly with the fraction, so the worst of
// these comes close to the worst over all phases), bisects the tap count and
// then the phase count on those estimates, and then analyses the chosen
// matrix in full: only a design whose full analysis meets the target is
// returned. Kaiser-windowed sincs are tried with the window shape (beta
// 1 to 20) that serves the tap count best; Lagrange designs with even tap
// counts (odd orders, centred on the interpolated point); least-squares
// designs at the requested band.
#ifndef QUORBELIN_CLI_DESIGN_SEARCH_H
#define QUORBELIN_CLI_DESIGN_SEARCH_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "cli/filter_analysis.h"
#include "cli/filter_design.h"

namespace quorbelin::cli {

inline constexpr int64_t defaultMaxDesignBytes = int64_t{64} << 20;

struct DesignRequest {
    double snrDb = 0.0;  // the worst SNR to meet
    double band = 0.0;   // over [0, band * Nyquist], band in (0, 1]
    std::vector<FilterDesign::Kind> families{FilterDesign::Kind::Sinc, FilterDesign::Kind::Lagrange,
                                             FilterDesign::Kind::LeastSquares};
    int32_t maxTaps = maxDesignTaps;
    int32_t maxPhases = maxDesignPhases;
    int64_t maxBytes = defaultMaxDesignBytes;  // of the matrix of doubles
};

struct DesignChoice {
    FilterDesign design;
    Matrix filter;
    BandFigures figures;  // the full analysis over the requested band
};

// No design within the request's limits meets it. The message names the
// best worst SNR the search found within the limits, and its design.
class UnreachableDesign : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "auto:DB:B": the request for DB dB over band B, the other fields at their
// defaults. Nothing for a text that does not start with "auto"; UsageError
// when it does but is malformed.
std::optional<DesignRequest> parseAutoDesign(std::string_view text);

// Refuses (UsageError) a target or limit out of range.
void checkDesignRequest(const DesignRequest& request);

// Throws UnreachableDesign, or UsageError for a request out of range.
DesignChoice searchDesign(const DesignRequest& request);

}  // namespace quorbelin::cli

#endif
