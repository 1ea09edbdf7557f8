// Plots of a run: input and output of the first channels and the delay over
// time, drawn by gnuplot into a PNG or SVG file. The recorder keeps a bounded
// number of points however long the signal is, thinning them evenly, so
// plotting keeps the run's memory flat.
#ifndef QUORBELIN_CLI_PLOT_H
#define QUORBELIN_CLI_PLOT_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorbelin::cli {

inline constexpr int32_t maxPlottedChannels = 2;

class PlotRecorder {
public:
    // channels: how many to keep (at most maxPlottedChannels).
    explicit PlotRecorder(int32_t channels, std::size_t maxPoints = 4000);

    int32_t channels() const { return channels_; }
    // One time sample: the real parts of the first channels' input and
    // output, and the delay (in samples) that channel 0 saw.
    void add(int64_t sample, std::span<const double> input, std::span<const double> output, double delay);

    struct Point {
        int64_t sample;
        std::vector<double> input;
        std::vector<double> output;
        double delay;
    };
    const std::vector<Point>& points() const { return points_; }

private:
    int32_t channels_;
    std::size_t maxPoints_;
    int64_t stride_ = 1;
    std::vector<Point> points_;
};

// "png" or "svg" from the file name; UsageError for anything else.
std::string plotTerminalFor(const std::string& target);

// Draws the recorded points into writePath in target's format. The time
// axis is in seconds when the rate is known, else in samples. Throws
// FileError when gnuplot is missing or fails.
void renderPlot(const PlotRecorder& recorder, const std::string& target, const std::string& writePath,
                std::optional<double> rate, const std::string& title);

}  // namespace quorbelin::cli

#endif
