// The squared error of columns of interpolation taps, integrated over bands
// [0, B pi] (B a fraction of the Nyquist rate): the error energy of white
// noise band-limited to the band, per unit of its power density.
//
// A column h serves delays around a nominal delay v (its phase's, whole
// part included). With tap t at offset firstOffset + t from the sample of
// age D, its response relative to a delay of D + v is
//     R(w) = sum_t h[t] exp(-j w (firstOffset + t - v)),
// and for the delay D + v + x the error is R(w) - exp(-j w x). The block
// rounds every fraction to its nearest phase, so a phase of an N-phase
// filter serves the offsets x in [-1/(2N), 1/(2N)): its cell.
//
// The integrals are Gauss-Legendre sums of the error computed point by
// point, so an error far below the response itself keeps its precision
// (expanding |R - e|^2 into sinc sums would cancel terms of size 1 down to
// the error, losing it below about 1e-14 of the band energy). The bands
// nest, so each piece between two band edges has a rule of its own and a
// band's integral is the sum of its pieces: measuring five bands costs
// about as much as measuring the widest.
#ifndef QUORBELIN_CLI_BAND_ERROR_H
#define QUORBELIN_CLI_BAND_ERROR_H

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace quorbelin::cli {

// A lower bound on the worst error of any column over a cell of half-width
// halfCell, in the band [0, B pi]: the column must serve both edges, and
// the best it can do for the pair is their midpoint cos(w x), whose error
// at either edge integrates to B pi / 2 - sin(2 B pi x) / (4 x).
double cellErrorBound(double band, double halfCell);

class BandErrorMeter {
public:
    // A column's response at the meter's nodes.
    using Response = std::vector<std::complex<double>>;

    // bands: increasing, each in (0, 1]; taps: the longest column to be
    // measured; halfCell: half a phase's cell, 1/(2N), or 0 for one delay.
    BandErrorMeter(std::span<const double> bands, int32_t taps, double halfCell);

    std::size_t bandCount() const { return bandEnergy_.size(); }
    // B pi: the energy of a band, the error of an output of zeros.
    double bandEnergy(std::size_t band) const { return bandEnergy_[band]; }

    // Measures cells of another size from now on.
    void setHalfCell(double halfCell);

    // The response R of a column (at most `taps` long).
    void computeResponse(std::span<const double> column, double firstOffset, double nominal,
                         Response& response) const;

    // The error energy in each band for the nominal delay plus `offset`.
    void errorsAt(const Response& response, double offset, std::span<double> perBand) const;

    struct CellError {
        double worst;        // the largest error over the cell
        double worstOffset;  // where it lies
        double mean;         // the error averaged over the cell
    };
    // Per band: the worst over ten offsets evenly spread from -halfCell to
    // +halfCell (both sides of each rounding boundary and eight between
    // them); the mean exactly, from the mean of exp(-j w x) over the cell.
    void cellErrors(const Response& response, std::span<CellError> perBand) const;

private:
    // Sums weight * value over each piece's nodes into perBand, running.
    template <typename Value>
    void integrate(Value value, std::span<double> perBand) const;

    std::vector<double> bandEnergy_;
    int32_t taps_;
    std::vector<double> nodes_;
    std::vector<double> weights_;
    std::vector<std::complex<double>> unitDelay_;  // exp(-j w) at each node
    std::vector<std::size_t> pieceEnd_;            // one past each piece's last node
    std::vector<double> offsets_;
    std::vector<std::complex<double>> offsetTargets_;  // exp(-j w x), offset by offset
    std::vector<double> cellMean_;     // mean of cos(w x) over the cell
    std::vector<double> cellMeanGap_;  // 1 - cellMean^2, computed without cancelling
    mutable std::vector<double> scratch_;
};

}  // namespace quorbelin::cli

#endif
