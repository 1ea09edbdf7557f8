// Where the delay port's values come from: a constant, a CSV file of values
// over time, or a sinusoidally modulated delay (vibrato, Doppler). Values are
// given in samples, milliseconds or seconds and handed out in samples.
#ifndef QUORBELIN_CLI_DELAY_SOURCE_H
#define QUORBELIN_CLI_DELAY_SOURCE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quorbelin::cli {

enum class DelayUnit { Samples, Milliseconds, Seconds };

// "samples", "ms" or "s"; UsageError otherwise.
DelayUnit parseDelayUnit(const std::string& text);

// How the delays are laid out: one row per time sample holding one delay
// for every channel (per-sample mode), or one row per sample hit of `frame`
// samples holding one delay per channel (per-channel mode).
struct DelayLayout {
    bool perChannel = false;
    int32_t channels = 1;
    int32_t frame = 1;
    std::size_t rowWidth() const { return perChannel ? static_cast<std::size_t>(channels) : 1; }
};

// How many of a source's delays lie below the filter's reach, below the
// lowest delay served and above the highest, for the warnings before a run.
// A constant counts as one value; a modulated delay gives shares of a
// million, estimated from its waveform.
struct DelayBounds {
    double reach;  // below it the block interpolates linearly
    double low;    // below it delays are clamped
    double high;   // above it delays are clamped
};
struct DelayCensus {
    int64_t belowReach = 0;
    int64_t below = 0;
    int64_t above = 0;
    int64_t values = 0;
    bool estimated = false;
};

class DelaySource {
public:
    virtual ~DelaySource() = default;
    // Rows first ... first + rows - 1 into out (rows x rowWidth values).
    // Calls come in order, each starting where the one before ended.
    // Throws FileError when a file has no such rows.
    virtual void fill(int64_t first, std::size_t rows, std::span<double> out) = 0;
    // Whether every row holds the same value everywhere.
    virtual bool constant() const { return false; }
    // The rows a file holds; nothing when the source never ends.
    virtual std::optional<int64_t> rowCount() const { return std::nullopt; }
    // The largest delay, in samples, the source can give (for the default
    // maximum delay); NaN values are left out.
    virtual double largest() const = 0;
    // Counts of finite delays beyond the bounds (samples).
    virtual DelayCensus census(const DelayBounds& bounds) const = 0;
};

// Parses --delay: a number, "sine:MEAN:DEPTH:HZ", or a CSV file name. The
// rate (samples per second) is needed for the units ms and s and for a sine;
// UsageError when it is missing or the text is malformed or, unless
// allowNonfinite, names a NaN or infinite delay; FileError for a delay file
// that is unreadable or malformed (a NaN or infinity in it included, unless
// allowNonfinite) or has the wrong columns.
std::unique_ptr<DelaySource> makeDelaySource(const std::string& text, DelayUnit unit,
                                             std::optional<double> rate, const DelayLayout& layout,
                                             bool allowNonfinite);

}  // namespace quorbelin::cli

#endif
