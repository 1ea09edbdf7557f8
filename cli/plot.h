// Plots of a run: input and output of the first channels and the delay over
// time, drawn by gnuplot into a PNG or SVG file. The recorder keeps a bounded
// number of bins however long the signal is, each with the lowest and
// highest value of its samples, so a long signal shows as its envelope (as
// audio editors draw it) and plotting keeps the run's memory flat.
#ifndef QUORBELIN_CLI_PLOT_H
#define QUORBELIN_CLI_PLOT_H

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorbelin::cli {

inline constexpr int32_t maxPlottedChannels = 2;

// The lowest and highest of some values; NaN is left out, and a range of no
// values has low > high.
struct ValueRange {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void include(double value) {
        if (value < low) low = value;
        if (value > high) high = value;
    }
    void include(const ValueRange& other) {
        if (!other.empty()) {
            include(other.low);
            include(other.high);
        }
    }
    bool empty() const { return low > high; }
};

class PlotRecorder {
public:
    // channels: how many to keep (at most maxPlottedChannels); delayLines:
    // 1 for one delay shared by all channels, else one per kept channel.
    // Samples outside [first, end) are left out. The default bin count is
    // about one bin per pixel column of the drawing.
    explicit PlotRecorder(int32_t channels, std::size_t maxBins = 1024, int32_t delayLines = 1, int64_t first = 0,
                          int64_t end = std::numeric_limits<int64_t>::max());

    int32_t channels() const { return channels_; }
    int32_t delayLines() const { return delayLines_; }
    // The real parts of the first channels' input at a sample.
    void addInput(int64_t sample, std::span<const double> input);
    // The first channels' output at a sample, and its delays (samples).
    void addOutput(int64_t sample, std::span<const double> output, std::span<const double> delays);
    // Both at once, with one delay.
    void add(int64_t sample, std::span<const double> input, std::span<const double> output, double delay);

    struct Bin {
        int64_t first;  // the bin's first sample
        std::vector<ValueRange> input;
        std::vector<ValueRange> output;
        std::vector<ValueRange> delay;  // per delay line
    };
    const std::vector<Bin>& bins() const { return bins_; }
    // Samples per bin: 1 until the signal outgrows the bins, then doubling.
    int64_t samplesPerBin() const { return samplesPerBin_; }

private:
    // The bin of a sample inside the range, made (and the bins halved) as
    // needed; null outside the range.
    Bin* binFor(int64_t sample);
    void halveBins();

    int32_t channels_;
    int32_t delayLines_;
    std::size_t maxBins_;
    int64_t first_;
    int64_t end_;
    int64_t samplesPerBin_ = 1;
    std::vector<Bin> bins_;
};

// Whether gnuplot can be run: FileError naming the plot otherwise, so that a
// run fails before it processes anything.
void requireGnuplot(const std::string& target);

// "png" or "svg" from the file name; UsageError for anything else.
std::string plotTerminalFor(const std::string& target);

// Draws the recorded points into writePath in target's format. The time
// axis is in seconds when the rate is known, else in samples. Throws
// FileError when gnuplot is missing or fails.
void renderPlot(const PlotRecorder& recorder, const std::string& target, const std::string& writePath,
                std::optional<double> rate, const std::string& title);

}  // namespace quorbelin::cli

#endif
