// Audio files through libsndfile: WAV, FLAC, AIFF and the other formats it
// knows. Samples are read as doubles (integer formats scaled to [-1, 1)) and
// written in a floating-point subtype, so output is never quantised.
#ifndef QUORBELIN_CLI_AUDIO_SIGNAL_H
#define QUORBELIN_CLI_AUDIO_SIGNAL_H

#include <sndfile.h>

#include <string>

#include "cli/signal_io.h"

namespace quorbelin::cli {

class AudioSignalReader final : public SignalReader {
public:
    // Throws FileError when libsndfile cannot open the file.
    explicit AudioSignalReader(const std::string& path);
    ~AudioSignalReader() override;
    AudioSignalReader(const AudioSignalReader&) = delete;
    AudioSignalReader& operator=(const AudioSignalReader&) = delete;

    const SignalFormat& format() const override { return format_; }
    std::optional<int64_t> length() const override { return frames_; }
    std::size_t read(std::span<double> out, std::size_t rows) override;

private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    SignalFormat format_;
    int64_t frames_ = 0;
};

class AudioSignalWriter final : public SignalWriter {
public:
    // The container comes from target's extension; the file is written at
    // writePath. Throws UsageError for a format that cannot hold
    // floating-point samples, FileError when the file cannot be created.
    AudioSignalWriter(const std::string& target, const std::string& writePath, const SignalFormat& format);
    ~AudioSignalWriter() override;
    AudioSignalWriter(const AudioSignalWriter&) = delete;
    AudioSignalWriter& operator=(const AudioSignalWriter&) = delete;

    void write(std::span<const double> values, std::size_t rows) override;
    void finish() override;

private:
    std::string target_;
    SNDFILE* file_ = nullptr;
};

// The libsndfile format (container and floating-point subtype) for a file
// name's extension. Throws UsageError naming what is wrong.
int audioFormatFor(const std::string& target);

}  // namespace quorbelin::cli

#endif
