// Where the delay port's values come from at each sample hit: a constant, a
// CSV file of values over time, or a sinusoidally modulated delay (vibrato,
// Doppler). Values are given in samples, milliseconds or seconds and handed
// to the block in samples.
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

// How the delay port is laid out: one value per frame sample (per-sample
// mode, the port is `frame` wide) or one per channel (per-channel mode, the
// port is `channels` wide, one file row per sample hit).
struct DelayPortLayout {
    bool perChannel = false;
    int32_t channels = 1;
    int32_t frame = 1;
    int32_t width() const { return perChannel ? channels : frame; }
};

class DelaySource {
public:
    virtual ~DelaySource() = default;
    // The port's values for the sample hit whose first frame sample is
    // sample `first` of the signal. Only the first `valid` frame samples
    // are real; the rest pad the last frame, and a file is not read for
    // them. Throws FileError.
    virtual void fill(int64_t first, int32_t valid, std::span<double> port) = 0;
    // The largest delay, in samples, the source can give (for the default
    // maximum delay); NaN values are left out.
    virtual double largest() const = 0;
};

// Parses --delay: a number, "sine:MEAN:DEPTH:HZ", or a CSV file name. The
// rate (samples per second) is needed for the units ms and s and for a sine;
// UsageError when it is missing or the text is malformed, FileError for a
// delay file that is unreadable or malformed or has the wrong columns.
std::unique_ptr<DelaySource> makeDelaySource(const std::string& text, DelayUnit unit,
                                             std::optional<double> rate, const DelayPortLayout& layout);

}  // namespace quorbelin::cli

#endif
