// Audio through libsndfile: WAV, FLAC, AIFF and the other formats it knows,
// from files or, where the format can stream, from standard input and to
// standard output. Samples are read as doubles (integer formats scaled to
// [-1, 1)) and written in a floating-point subtype unless an integer
// encoding is asked for, which rounds to nearest and counts what it clips.
#ifndef QUORBELIN_CLI_AUDIO_SIGNAL_H
#define QUORBELIN_CLI_AUDIO_SIGNAL_H

#include <sndfile.h>

#include <string>
#include <vector>

#include "cli/signal_io.h"

namespace quorbelin::cli {

class AudioSignalReader final : public SignalReader {
public:
    // "-" reads standard input. Throws FileError when libsndfile cannot
    // open it.
    explicit AudioSignalReader(const std::string& path);
    ~AudioSignalReader() override;
    AudioSignalReader(const AudioSignalReader&) = delete;
    AudioSignalReader& operator=(const AudioSignalReader&) = delete;

    const SignalFormat& format() const override { return format_; }
    // Unknown for a stream, whose header may hold a placeholder.
    std::optional<int64_t> length() const override { return promised_; }
    std::size_t read(std::span<double> out, std::size_t rows) override;

private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    SignalFormat format_;
    std::optional<int64_t> promised_;
};

class AudioSignalWriter final : public SignalWriter {
public:
    // The container comes from target's extension, or output.type for
    // standard output (target "-"); the file is written at writePath.
    // Throws UsageError for a format that cannot hold the encoding (or any
    // floating-point samples, when none is given), FileError when the file
    // cannot be created.
    AudioSignalWriter(const std::string& target, const std::string& writePath, const SignalFormat& format,
                      const OutputFormat& output = {});
    ~AudioSignalWriter() override;
    AudioSignalWriter(const AudioSignalWriter&) = delete;
    AudioSignalWriter& operator=(const AudioSignalWriter&) = delete;

    void write(std::span<const double> values, std::size_t rows) override;
    void finish() override;
    int64_t clipped() const override { return clipped_; }

private:
    std::string target_;
    SNDFILE* file_ = nullptr;
    int integerBits_ = 0;  // 16, 24 or 32 for an integer encoding
    int32_t channels_ = 0;
    std::vector<int> integers_;
    int64_t clipped_ = 0;
};

// The libsndfile format (container and subtype) for an extension (or type
// name) and encoding. Throws UsageError naming what is wrong.
int audioFormatFor(const std::string& target, const std::string& extension,
                   std::optional<AudioEncoding> encoding = std::nullopt);

}  // namespace quorbelin::cli

#endif
