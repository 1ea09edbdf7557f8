#include "cli/design_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "cli/band_error.h"
#include "cli/errors.h"
#include "cli/format_number.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

namespace {

using Kind = FilterDesign::Kind;

constexpr int32_t probeFractions = 64;
constexpr int32_t lowestBeta = 1;
constexpr int32_t highestBeta = 20;

double snrDb(double bandEnergy, double errorEnergy) { return 10.0 * std::log10(bandEnergy / errorEnergy); }

// The most phases a tap count may have within the request's limits.
int32_t phaseLimit(const DesignRequest& request, int32_t taps) {
    const int64_t byBytes = request.maxBytes / (static_cast<int64_t>(sizeof(double)) * taps);
    const int64_t byCoefficients = maxDesignCoefficients / taps;
    return static_cast<int32_t>(std::min<int64_t>({request.maxPhases, byBytes, byCoefficients}));
}

// No filter with this many phases can do better over the band.
double phaseGridSnrBound(double band, int32_t phases) {
    return snrDb(band * std::numbers::pi, cellErrorBound(band, 0.5 / phases));
}

// Sincs and Lagrange designs come in even tap counts, least squares in any.
int32_t tapStep(Kind kind) { return kind == Kind::LeastSquares ? 1 : 2; }
int32_t validTapsAtLeast(Kind kind, int32_t taps) {
    return tapStep(kind) == 2 && taps % 2 != 0 ? taps + 1 : taps;
}
int32_t validTapsAtMost(Kind kind, int32_t taps) {
    return tapStep(kind) == 2 && taps % 2 != 0 ? taps - 1 : taps;
}

// One family's designs at one tap count, sampled at fractions spread over
// [0, 1).
class FamilyProbe {
public:
    FamilyProbe(const FilterDesign& design, double band)
        : design_(design), band_(band), meter_(std::span<const double>(&band_, 1), design.taps, 0.0),
          responses_(probeFractions) {
        const ColumnDesigner designColumn = columnDesigner(design);
        std::vector<double> column(static_cast<std::size_t>(design.taps));
        for (int32_t k = 0; k < probeFractions; ++k) {
            const double fraction = static_cast<double>(k) / probeFractions;
            designColumn(fraction, column);
            meter_.computeResponse(column, 1.0 - design.taps / 2, fraction, responses_[static_cast<std::size_t>(k)]);
        }
    }

    // The design with that many phases.
    FilterDesign withPhases(int32_t phases) const {
        FilterDesign design = design_;
        design.phases = phases;
        return design;
    }

    // The worst SNR with that many phases (0: every fraction its own
    // column): exact up to probeFractions phases, estimated beyond.
    double worstSnr(int32_t phases) {
        if (phases > 0 && phases <= probeFractions) {
            return analyzeBand(designFilter(withPhases(phases)), band_).worstSnrDb;
        }
        meter_.setHalfCell(phases > 0 ? 0.5 / phases : 0.0);
        BandErrorMeter::CellError cell[1];
        double worst = 0.0;
        for (const BandErrorMeter::Response& response : responses_) {
            meter_.cellErrors(response, cell);
            worst = std::max(worst, cell[0].worst);
        }
        return snrDb(meter_.bandEnergy(0), worst);
    }

private:
    FilterDesign design_;
    double band_;
    BandErrorMeter meter_;
    std::vector<BandErrorMeter::Response> responses_;  // one per probed fraction
};

FamilyProbe makeProbe(Kind kind, int32_t taps, double band) {
    FilterDesign design;
    design.kind = kind;
    design.taps = taps;
    design.band = kind == Kind::LeastSquares ? band : 0.0;
    design.beta = kind == Kind::Sinc ? defaultSincBeta : 0.0;
    if (kind != Kind::Sinc) {
        return FamilyProbe(design, band);
    }
    // The window shape whose column errors are least on their own; the
    // phase grid then adds the same error to every shape.
    std::optional<FamilyProbe> best;
    double bestSnr = -std::numeric_limits<double>::infinity();
    for (int32_t beta = lowestBeta; beta <= highestBeta; ++beta) {
        design.beta = beta;
        FamilyProbe probe(design, band);
        const double snr = probe.worstSnr(0);
        if (snr > bestSnr) {
            bestSnr = snr;
            best.emplace(std::move(probe));
        }
    }
    return std::move(*best);
}

struct Estimate {
    FilterDesign design;
    double worstSnrDb = -std::numeric_limits<double>::infinity();
};

class FamilySearch {
public:
    FamilySearch(const DesignRequest& request, Kind kind, Estimate& best)
        : request_(request), kind_(kind), best_(best) {}

    // The cheapest design of the family with at most tapCap taps, checked
    // by a full analysis; nothing when there is none.
    std::optional<DesignChoice> run(int32_t tapCap) {
        // Grow the tap count geometrically until a design can meet the
        // target with the most phases allowed, then bisect between the last
        // tap count that could not and the first that could.
        int32_t below = 0;
        std::optional<int32_t> enough;
        for (int32_t taps = 2; taps <= tapCap;) {
            const int32_t phases = phaseLimit(request_, taps);
            if (phases < 1) {
                break;
            }
            // More taps only lower the phase limit: once even a perfect
            // filter falls short of the target and of the best seen, stop.
            const double bound = phaseGridSnrBound(request_.band, phases);
            if (bound < request_.snrDb && bound <= best_.worstSnrDb) {
                break;
            }
            if (canMeet(taps)) {
                enough = taps;
                break;
            }
            below = taps;
            taps = std::max(taps + tapStep(kind_), validTapsAtLeast(kind_, static_cast<int32_t>(std::ceil(taps * 1.5))));
            // The last count tried is the largest the cap allows.
            if (taps > tapCap && validTapsAtMost(kind_, tapCap) > below) {
                taps = validTapsAtMost(kind_, tapCap);
            }
        }
        if (!enough) {
            return std::nullopt;
        }
        int32_t above = *enough;
        while (above - below > tapStep(kind_)) {
            const int32_t middle = validTapsAtLeast(kind_, below + (above - below) / 2);
            if (middle >= above || middle <= below) {
                break;
            }
            if (canMeet(middle)) {
                above = middle;
            } else {
                below = middle;
            }
        }
        // The estimates may be a little optimistic: the full analysis
        // decides, and a tap count it rejects at every phase count allowed
        // passes the search on to the next.
        for (int32_t taps = above; taps <= tapCap; taps += tapStep(kind_)) {
            if (std::optional<DesignChoice> choice = fewestPhases(taps)) {
                return choice;
            }
        }
        return std::nullopt;
    }

private:
    // Whether the estimate with the most phases allowed meets the target;
    // notes the best estimate seen.
    bool canMeet(int32_t taps) {
        const int32_t phases = phaseLimit(request_, taps);
        if (phases < 1) {
            return false;
        }
        FamilyProbe probe = makeProbe(kind_, taps, request_.band);
        const double snr = probe.worstSnr(phases);
        if (snr > best_.worstSnrDb) {
            best_ = Estimate{probe.withPhases(phases), snr};
        }
        return snr >= request_.snrDb;
    }

    // The design with its full analysis over the requested band.
    DesignChoice analysed(const FamilyProbe& probe, int32_t phases) const {
        DesignChoice choice;
        choice.design = probe.withPhases(phases);
        choice.filter = designFilter(choice.design);
        choice.figures = analyzeBand(choice.filter, request_.band);
        return choice;
    }
    bool meets(const DesignChoice& choice) const { return choice.figures.worstSnrDb >= request_.snrDb; }

    std::optional<DesignChoice> fewestPhases(int32_t taps) {
        const int32_t limit = phaseLimit(request_, taps);
        if (limit < 1) {
            return std::nullopt;
        }
        FamilyProbe probe = makeProbe(kind_, taps, request_.band);
        if (probe.worstSnr(limit) < request_.snrDb) {
            return std::nullopt;
        }
        // The fewest phases whose estimate meets the target...
        int32_t low = 0;  // fails (or none)
        int32_t high = limit;
        while (high - low > 1) {
            const int32_t middle = low + (high - low) / 2;
            (probe.worstSnr(middle) >= request_.snrDb ? high : low) = middle;
        }
        // ... and then the full analysis brackets the count, widening the
        // step from the estimate until it finds a count that fails and one
        // that meets the target, and bisects between them.
        std::optional<DesignChoice> passing;
        int32_t failing = 0;
        DesignChoice first = analysed(probe, high);
        if (meets(first)) {
            passing = std::move(first);
            for (int32_t step = 1; failing == 0;) {
                const int32_t phases = passing->design.phases - step;
                if (phases < 1) {
                    break;
                }
                DesignChoice fewer = analysed(probe, phases);
                if (meets(fewer)) {
                    passing = std::move(fewer);
                    step *= 2;
                } else {
                    failing = phases;
                }
            }
        } else {
            failing = high;
            for (int32_t step = std::max(1, high / 100); !passing;) {
                const int32_t phases = std::min(limit, failing + step);
                DesignChoice more = analysed(probe, phases);
                if (meets(more)) {
                    passing = std::move(more);
                } else if (phases == limit) {
                    return std::nullopt;
                } else {
                    failing = phases;
                    step *= 2;
                }
            }
        }
        while (passing->design.phases - failing > 1) {
            const int32_t middle = failing + (passing->design.phases - failing) / 2;
            DesignChoice choice = analysed(probe, middle);
            if (meets(choice)) {
                passing = std::move(choice);
            } else {
                failing = middle;
            }
        }
        return passing;
    }

    const DesignRequest& request_;
    Kind kind_;
    Estimate& best_;
};

bool cheaper(const DesignChoice& a, const DesignChoice& b) {
    if (a.design.taps != b.design.taps) {
        return a.design.taps < b.design.taps;
    }
    if (a.design.phases != b.design.phases) {
        return a.design.phases < b.design.phases;
    }
    return a.figures.worstSnrDb > b.figures.worstSnrDb;
}

}  // namespace

std::optional<DesignRequest> parseAutoDesign(std::string_view text) {
    const std::vector<std::string_view> fields = splitFields(text, ':');
    if (fields[0] != "auto") {
        return std::nullopt;
    }
    const auto snr = fields.size() == 3 ? parseDouble(fields[1]) : std::nullopt;
    const auto band = fields.size() == 3 ? parseDouble(fields[2]) : std::nullopt;
    if (!snr || !band) {
        throw UsageError("filter '" + std::string(text) + "': expected auto:SNR_DB:BAND, e.g. auto:80:0.8");
    }
    DesignRequest request;
    request.snrDb = *snr;
    request.band = *band;
    checkDesignRequest(request);
    return request;
}

void checkDesignRequest(const DesignRequest& request) {
    if (!(request.snrDb > 0.0 && request.snrDb <= 400.0)) {
        throw UsageError("the SNR to meet must be a number of dB above 0 and at most 400");
    }
    if (!(request.band > 0.0 && request.band <= 1.0)) {
        throw UsageError("the band must be a fraction of the Nyquist rate above 0 and at most 1");
    }
    if (request.families.empty()) {
        throw UsageError("no design family to search");
    }
    if (request.maxTaps < 2 || request.maxTaps > maxDesignTaps) {
        throw UsageError("the most taps must be a whole number from 2 to " + std::to_string(maxDesignTaps));
    }
    if (request.maxPhases < 1 || request.maxPhases > maxDesignPhases) {
        throw UsageError("the most phases must be a whole number from 1 to " + std::to_string(maxDesignPhases));
    }
    if (request.maxBytes < 2 * static_cast<int64_t>(sizeof(double))) {
        throw UsageError("the most bytes must be at least 16 (two taps of one phase)");
    }
}

DesignChoice searchDesign(const DesignRequest& request) {
    checkDesignRequest(request);
    Estimate best;
    std::optional<DesignChoice> chosen;
    for (const Kind kind : request.families) {
        // A family need not look beyond the taps of a design already found.
        const int32_t tapCap = chosen ? chosen->design.taps : request.maxTaps;
        FamilySearch search(request, kind, best);
        std::optional<DesignChoice> choice = search.run(tapCap);
        if (choice && (!chosen || cheaper(*choice, *chosen))) {
            chosen = std::move(choice);
        }
    }
    if (chosen) {
        return std::move(*chosen);
    }
    std::string message = "no design within the limits reaches a worst SNR of " + shortestText(request.snrDb) +
                          " dB over band " + shortestText(request.band);
    if (std::isfinite(best.worstSnrDb)) {
        message += "; the best found is about " + formatted("%.1f", best.worstSnrDb) + " dB (" +
                   formatFilterDesign(best.design) + ")";
    } else {
        const int32_t phases = phaseLimit(request, 2);
        message += "; with at most " + std::to_string(phases) + " phases no filter exceeds " +
                   formatted("%.1f", phaseGridSnrBound(request.band, std::max(phases, 1))) + " dB";
    }
    throw UnreachableDesign(message);
}

}  // namespace quorbelin::cli
