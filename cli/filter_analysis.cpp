#include "cli/filter_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>

#include "cli/band_error.h"
#include "cli/gauss_legendre.h"

namespace quorbelin::cli {

namespace {

// Linear interpolation has no phase grid: its worst fraction is searched on
// this many fractions and then refined, its mean integrated over the
// fraction with this many Gauss-Legendre nodes (the error is an entire
// function of the fraction).
constexpr int32_t linearSearchFractions = 512;
constexpr int32_t linearMeanNodes = 48;

struct RealisedPhase {
    int32_t phase;
    int32_t carry;  // 1 when the fraction rounds up to the next whole sample
};

// The block's choice of phase for a fraction in [0, 1).
RealisedPhase realisedPhase(double fraction, int32_t phases) {
    const auto phase = static_cast<int32_t>(std::trunc(fraction * static_cast<double>(phases) + 0.5));
    return phase >= phases ? RealisedPhase{0, 1} : RealisedPhase{phase, 0};
}

std::span<const double> column(const Matrix& filter, int32_t phase) {
    return {filter.columnMajor.data() + static_cast<std::size_t>(phase) * static_cast<std::size_t>(filter.rows),
            static_cast<std::size_t>(filter.rows)};
}

// Offset of tap 0 from the sample of age D.
double firstTapOffset(const Matrix& filter) { return 1.0 - filter.rows / 2; }

double snrDb(double bandEnergy, double errorEnergy) { return 10.0 * std::log10(bandEnergy / errorEnergy); }

std::vector<double> sortedBands(std::span<const double> extra) {
    std::vector<double> bands(std::begin(standardBands), std::end(standardBands));
    for (const double band : extra) {
        if (!(band > 0.0 && band <= 1.0)) {
            throw std::invalid_argument("a band must lie in (0, 1] (a fraction of the Nyquist rate)");
        }
        bands.push_back(band);
    }
    std::sort(bands.begin(), bands.end());
    bands.erase(std::unique(bands.begin(), bands.end()), bands.end());
    return bands;
}

std::vector<BandFigures> linearFigures(std::span<const double> bands) {
    BandErrorMeter meter(bands, 2, 0.0);
    const std::size_t count = bands.size();
    std::vector<double> errors(count);
    BandErrorMeter::Response response;
    // The column [1 - f, f] at the ages D and D + 1, measured against a
    // nominal delay of 0 and an offset of f.
    const auto errorsFor = [&](double fraction) {
        const double taps[2] = {1.0 - fraction, fraction};
        meter.computeResponse(taps, 0.0, 0.0, response);
        meter.errorsAt(response, fraction, errors);
    };
    std::vector<BandFigures> figures(count);
    for (std::size_t b = 0; b < count; ++b) {
        // Worst: the largest error on a grid of fractions, then a golden
        // section search between that point's neighbours.
        double worstFraction = 0.0;
        double worst = -1.0;
        for (int32_t k = 0; k < linearSearchFractions; ++k) {
            const double fraction = static_cast<double>(k) / linearSearchFractions;
            errorsFor(fraction);
            if (errors[b] > worst) {
                worst = errors[b];
                worstFraction = fraction;
            }
        }
        const double step = 1.0 / linearSearchFractions;
        double low = std::max(0.0, worstFraction - step);
        double high = std::min(1.0, worstFraction + step);
        const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
        for (int iteration = 0; iteration < 40; ++iteration) {
            const double left = high - ratio * (high - low);
            const double right = low + ratio * (high - low);
            errorsFor(left);
            const double leftError = errors[b];
            errorsFor(right);
            if (leftError > errors[b]) {
                high = right;
            } else {
                low = left;
            }
        }
        errorsFor(0.5 * (low + high));
        if (errors[b] > worst) {
            worst = errors[b];
            worstFraction = 0.5 * (low + high);
        }
        figures[b].band = bands[b];
        figures[b].worstSnrDb = snrDb(meter.bandEnergy(b), worst);
        figures[b].worstFraction = worstFraction;
    }
    // Mean: the error integrated over the fraction.
    const QuadratureRule rule = gaussLegendre(linearMeanNodes, 0.0, 1.0);
    std::vector<double> mean(count, 0.0);
    for (std::size_t k = 0; k < rule.nodes.size(); ++k) {
        errorsFor(rule.nodes[k]);
        for (std::size_t b = 0; b < count; ++b) {
            mean[b] += rule.weights[k] * errors[b];
        }
    }
    for (std::size_t b = 0; b < count; ++b) {
        figures[b].meanSnrDb = snrDb(meter.bandEnergy(b), mean[b]);
    }
    return figures;
}

std::vector<BandFigures> matrixFigures(const Matrix& filter, std::span<const double> bands) {
    const int32_t phases = filter.columns;
    BandErrorMeter meter(bands, filter.rows, 0.5 / phases);
    const std::size_t count = bands.size();
    std::vector<BandErrorMeter::CellError> cells(count);
    std::vector<double> worst(count, -1.0);
    std::vector<double> worstFraction(count, 0.0);
    std::vector<double> meanSum(count, 0.0);
    BandErrorMeter::Response response;
    for (int32_t p = 0; p < phases; ++p) {
        const double nominal = static_cast<double>(p) / phases;
        meter.computeResponse(column(filter, p), firstTapOffset(filter), nominal, response);
        meter.cellErrors(response, cells);
        for (std::size_t b = 0; b < count; ++b) {
            if (cells[b].worst > worst[b] || std::isnan(cells[b].worst)) {
                worst[b] = cells[b].worst;
                // Phase 0's cell wraps: its lower half serves fractions just
                // below 1, carried into the next whole sample.
                const double fraction = nominal + cells[b].worstOffset;
                worstFraction[b] = fraction < 0.0 ? fraction + 1.0 : fraction;
            }
            meanSum[b] += cells[b].mean;
        }
    }
    std::vector<BandFigures> figures(count);
    for (std::size_t b = 0; b < count; ++b) {
        figures[b].band = bands[b];
        figures[b].worstSnrDb = snrDb(meter.bandEnergy(b), worst[b]);
        figures[b].meanSnrDb = snrDb(meter.bandEnergy(b), meanSum[b] / phases);
        figures[b].worstFraction = std::min(worstFraction[b], std::nextafter(1.0, 0.0));
    }
    return figures;
}

std::vector<BandFigures> figuresFor(const Interpolator& filter, std::span<const double> bands) {
    if (filter) {
        checkFilterMatrix(*filter);
        return matrixFigures(*filter, bands);
    }
    return linearFigures(bands);
}

}  // namespace

void checkFilterMatrix(const Matrix& filter) {
    if (filter.rows < 1 || filter.columns < 1 ||
        filter.columnMajor.size() != static_cast<std::size_t>(filter.rows) * static_cast<std::size_t>(filter.columns)) {
        throw std::invalid_argument("the filter matrix is empty");
    }
    for (std::size_t i = 0; i < filter.columnMajor.size(); ++i) {
        if (!std::isfinite(filter.columnMajor[i])) {
            const std::size_t rows = static_cast<std::size_t>(filter.rows);
            throw std::invalid_argument("the filter matrix holds " + std::to_string(filter.columnMajor[i]) +
                                        " at row " + std::to_string(i % rows + 1) + ", column " +
                                        std::to_string(i / rows + 1));
        }
    }
}

FilterAnalysis analyzeFilter(const Interpolator& filter, std::span<const double> extraBands) {
    FilterAnalysis analysis;
    const std::vector<double> bands = sortedBands(extraBands);
    analysis.bands = figuresFor(filter, bands);
    if (filter) {
        analysis.rows = filter->rows;
        analysis.phases = filter->columns;
        analysis.bytes = static_cast<int64_t>(filter->columnMajor.size() * sizeof(double));
        analysis.minDelay = std::max(0, filter->rows / 2 - 1);
        for (int32_t p = 0; p < filter->columns; ++p) {
            double sum = 0.0;
            for (const double tap : column(*filter, p)) {
                sum += tap;
            }
            analysis.dcGainError = std::max(analysis.dcGainError, std::fabs(sum - 1.0));
        }
    }
    return analysis;
}

BandFigures analyzeBand(const Interpolator& filter, double band) {
    const double bands[] = {band};
    return figuresFor(filter, bands).front();
}

std::vector<BandFigures> analyzeBands(const Interpolator& filter, std::span<const double> bands) {
    return figuresFor(filter, bands);
}

std::complex<double> responseAt(const Interpolator& filter, double omega, double fraction) {
    if (!(fraction >= 0.0 && fraction < 1.0)) {
        throw std::invalid_argument("a fraction must lie in [0, 1)");
    }
    if (!filter) {
        return (1.0 - fraction) + fraction * std::polar(1.0, -omega);
    }
    const RealisedPhase realised = realisedPhase(fraction, filter->columns);
    const std::span<const double> taps = column(*filter, realised.phase);
    const double first = firstTapOffset(*filter) + realised.carry;
    std::complex<double> sum = 0.0;
    for (std::size_t t = 0; t < taps.size(); ++t) {
        sum += taps[t] * std::polar(1.0, -omega * (first + static_cast<double>(t)));
    }
    return sum;
}

PointResponse pointResponse(const Interpolator& filter, double omega, double fraction) {
    const std::complex<double> response = responseAt(filter, omega, fraction);
    // The phase relative to the requested delay is small for any sensible
    // filter; measuring it there picks the branch of the arc tangent.
    const double relative = std::arg(response * std::polar(1.0, omega * fraction));
    return {20.0 * std::log10(std::abs(response)), omega > 0.0 ? fraction - relative / omega : fraction};
}

double errorDb(const Interpolator& filter, double omega, double fraction) {
    const double error = std::abs(responseAt(filter, omega, fraction) - std::polar(1.0, -omega * fraction));
    return std::max(-400.0, 20.0 * std::log10(error));
}

}  // namespace quorbelin::cli
