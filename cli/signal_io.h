// Signals as the tool streams them: a sequence of time samples ("rows"),
// each holding one value per channel, or a (real, imaginary) pair per
// channel for a complex signal. Audio files and CSV files both read and
// write through these two interfaces, a block of rows at a time.
#ifndef QUORBELIN_CLI_SIGNAL_IO_H
#define QUORBELIN_CLI_SIGNAL_IO_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quorbelin::cli {

struct SignalFormat {
    int32_t channels = 0;
    bool complex = false;
    std::optional<double> sampleRate;  // samples per second, when known

    std::size_t valuesPerRow() const {
        return static_cast<std::size_t>(channels) * (complex ? 2 : 1);
    }
};

class SignalReader {
public:
    virtual ~SignalReader() = default;
    virtual const SignalFormat& format() const = 0;
    // The number of rows, when the file tells it up front.
    virtual std::optional<int64_t> length() const = 0;
    // Reads up to `rows` rows into out (at least rows * valuesPerRow values);
    // returns the rows read, fewer only at the end of the signal. Throws
    // FileError.
    virtual std::size_t read(std::span<double> out, std::size_t rows) = 0;
};

class SignalWriter {
public:
    virtual ~SignalWriter() = default;
    // Writes `rows` rows from values. Throws FileError.
    virtual void write(std::span<const double> values, std::size_t rows) = 0;
    // Completes the file; throws FileError when it could not be completed.
    virtual void finish() = 0;
    // Values an integer encoding could not hold (beyond full scale, or NaN).
    virtual int64_t clipped() const { return 0; }
};

// How audio output stores its samples; nothing: the most precise floating
// point the format has.
enum class AudioEncoding { Float64, Float32, Pcm16, Pcm24, Pcm32 };
// "float64", ... "pcm32"; UsageError otherwise.
AudioEncoding parseAudioEncoding(const std::string& text);

// Where a signal goes and in which format: a path ("-" for standard
// output), the format type for standard output, the encoding for audio.
struct OutputFormat {
    std::string type;                       // csv or an audio extension; used for "-"
    std::optional<AudioEncoding> encoding;  // audio only
};

// True for a path that names a CSV file (extension .csv, any case).
bool isCsvPath(const std::string& path);

// Opens an input by its extension, or by `type` for standard input ("-",
// CSV unless type names audio): CSV (two columns per channel when complex;
// the sample rate is `rate`) or any audio libsndfile reads (its own rate;
// complex is refused). Throws FileError or UsageError.
std::unique_ptr<SignalReader> openSignalReader(const std::string& path, bool complex,
                                               std::optional<double> rate, const std::string& type = "");

// Opens a writer on writePath in the file format that target's extension
// names, or on standard output (target "-") in output.type. Audio keeps the
// sample rate and, by default, stores floating-point samples, so nothing is
// quantised. Throws FileError or UsageError.
std::unique_ptr<SignalWriter> openSignalWriter(const std::string& target, const std::string& writePath,
                                               const SignalFormat& format, const OutputFormat& output = {});

}  // namespace quorbelin::cli

#endif
