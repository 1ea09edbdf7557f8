#include "cli/band_error.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "cli/gauss_legendre.h"

namespace quorbelin::cli {

namespace {

constexpr int32_t cellOffsets = 10;

// 1 - sin(x) / x, accurate where the difference is far below 1.
double oneMinusSinc(double x) {
    if (std::fabs(x) < 0.1) {
        const double x2 = x * x;
        return x2 * (1.0 / 6.0 - x2 * (1.0 / 120.0 - x2 * (1.0 / 5040.0 - x2 * (1.0 / 362880.0 - x2 / 39916800.0))));
    }
    return 1.0 - std::sin(x) / x;
}

}  // namespace

double cellErrorBound(double band, double halfCell) {
    // W / 2 (1 - sin(2 W x) / (2 W x)), without cancelling for small x.
    const double edge = band * std::numbers::pi;
    return 0.5 * edge * oneMinusSinc(2.0 * edge * halfCell);
}

BandErrorMeter::BandErrorMeter(std::span<const double> bands, int32_t taps, double halfCell) : taps_(taps) {
    if (bands.empty() || taps < 1) {
        throw std::invalid_argument("band error: needs a band and a positive tap count");
    }
    double low = 0.0;
    for (const double band : bands) {
        const double high = band * std::numbers::pi;
        if (!(band > 0.0 && band <= 1.0) || !(high > low)) {
            throw std::invalid_argument("band error: bands must increase within (0, 1]");
        }
        // The delays in the error spread over at most taps + 1 samples
        // (taps at whole offsets from the nominal delay, which lies within a
        // sample of them, and the cell's offsets); one more for good measure.
        const QuadratureRule rule = gaussLegendre(nodesForBand(high - low, taps + 2.0), low, high);
        nodes_.insert(nodes_.end(), rule.nodes.begin(), rule.nodes.end());
        weights_.insert(weights_.end(), rule.weights.begin(), rule.weights.end());
        pieceEnd_.push_back(nodes_.size());
        bandEnergy_.push_back(high);
        low = high;
    }
    for (const double w : nodes_) {
        unitDelay_.push_back(std::polar(1.0, -w));
    }
    scratch_.resize(bandEnergy_.size());
    setHalfCell(halfCell);
}

void BandErrorMeter::setHalfCell(double halfCell) {
    if (!(halfCell >= 0.0 && halfCell <= 0.5)) {
        throw std::invalid_argument("band error: a cell is at most one sample wide");
    }
    const std::size_t nodes = nodes_.size();
    offsets_.clear();
    for (int32_t j = 0; j < cellOffsets; ++j) {
        offsets_.push_back(halfCell * (-1.0 + 2.0 * j / (cellOffsets - 1)));
    }
    offsetTargets_.resize(offsets_.size() * nodes);
    for (std::size_t j = 0; j < offsets_.size(); ++j) {
        for (std::size_t q = 0; q < nodes; ++q) {
            offsetTargets_[j * nodes + q] = std::polar(1.0, -nodes_[q] * offsets_[j]);
        }
    }
    cellMean_.resize(nodes);
    cellMeanGap_.resize(nodes);
    for (std::size_t q = 0; q < nodes; ++q) {
        const double gap = oneMinusSinc(nodes_[q] * halfCell);  // 1 - s
        cellMean_[q] = 1.0 - gap;
        cellMeanGap_[q] = gap * (2.0 - gap);  // (1 - s)(1 + s)
    }
}

void BandErrorMeter::computeResponse(std::span<const double> column, double firstOffset, double nominal,
                                     Response& response) const {
    if (column.empty() || column.size() > static_cast<std::size_t>(taps_)) {
        throw std::invalid_argument("band error: the column is longer than the meter was made for");
    }
    // sum_t h[t] z^t with z = exp(-j w) by Horner's rule, then the shift to
    // the first tap's offset from the nominal delay. Horner's rule is one
    // long chain of dependent steps, so eight nodes run side by side; the
    // arithmetic is spelled out in real numbers, since a complex product
    // that checks for infinities costs several times as much.
    constexpr std::size_t lanes = 8;
    const std::size_t nodes = nodes_.size();
    response.resize(nodes);
    for (std::size_t first = 0; first < nodes; first += lanes) {
        const std::size_t count = std::min(lanes, nodes - first);
        double zRe[lanes] = {}, zIm[lanes] = {}, re[lanes] = {}, im[lanes] = {};
        for (std::size_t i = 0; i < count; ++i) {
            zRe[i] = unitDelay_[first + i].real();
            zIm[i] = unitDelay_[first + i].imag();
        }
        for (std::size_t t = column.size(); t-- > 0;) {
            const double tap = column[t];
            for (std::size_t i = 0; i < lanes; ++i) {
                const double nextRe = re[i] * zRe[i] - im[i] * zIm[i] + tap;
                im[i] = re[i] * zIm[i] + im[i] * zRe[i];
                re[i] = nextRe;
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::complex<double> shift = std::polar(1.0, -nodes_[first + i] * (firstOffset - nominal));
            response[first + i] = {re[i] * shift.real() - im[i] * shift.imag(),
                                   re[i] * shift.imag() + im[i] * shift.real()};
        }
    }
}

template <typename Value>
void BandErrorMeter::integrate(Value value, std::span<double> perBand) const {
    double sum = 0.0;
    std::size_t q = 0;
    for (std::size_t piece = 0; piece < pieceEnd_.size(); ++piece) {
        for (; q < pieceEnd_[piece]; ++q) {
            sum += weights_[q] * value(q);
        }
        perBand[piece] = sum;
    }
}

void BandErrorMeter::errorsAt(const Response& response, double offset, std::span<double> perBand) const {
    integrate([&](std::size_t q) { return std::norm(response[q] - std::polar(1.0, -nodes_[q] * offset)); },
              perBand);
}

void BandErrorMeter::cellErrors(const Response& response, std::span<CellError> perBand) const {
    const std::size_t nodes = nodes_.size();
    for (CellError& cell : perBand) {
        cell = CellError{-1.0, 0.0, 0.0};
    }
    for (std::size_t j = 0; j < offsets_.size(); ++j) {
        const std::complex<double>* targets = offsetTargets_.data() + j * nodes;
        integrate([&](std::size_t q) { return std::norm(response[q] - targets[q]); }, scratch_);
        for (std::size_t b = 0; b < perBand.size(); ++b) {
            // A NaN error is the worst of all: it must not hide behind a
            // comparison that fails.
            if (scratch_[b] > perBand[b].worst || std::isnan(scratch_[b])) {
                perBand[b].worst = scratch_[b];
                perBand[b].worstOffset = offsets_[j];
            }
        }
    }
    // The mean over x of |R - exp(-j w x)|^2 is |R|^2 - 2 Re(R) s + 1
    // = |R - s|^2 + (1 - s^2), s the mean of cos(w x) (that of sin is 0).
    integrate([&](std::size_t q) { return std::norm(response[q] - cellMean_[q]) + cellMeanGap_[q]; }, scratch_);
    for (std::size_t b = 0; b < perBand.size(); ++b) {
        perBand[b].mean = scratch_[b];
    }
}

}  // namespace quorbelin::cli
