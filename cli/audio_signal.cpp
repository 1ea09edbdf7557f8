#include "cli/audio_signal.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "cli/errors.h"

namespace quorbelin::cli {

namespace {

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Extensions in common use that libsndfile lists under another name.
std::string canonicalExtension(const std::string& extension) {
    if (extension == "aif" || extension == "aifc") return "aiff";
    if (extension == "wave") return "wav";
    if (extension == "snd") return "au";
    return extension;
}

}  // namespace

AudioSignalReader::AudioSignalReader(const std::string& path) : path_(path) {
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        throw FileError(path, std::string("cannot read as audio: ") + sf_strerror(nullptr));
    }
    format_.channels = info.channels;
    format_.complex = false;
    format_.sampleRate = static_cast<double>(info.samplerate);
    frames_ = info.frames;
}

AudioSignalReader::~AudioSignalReader() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

std::size_t AudioSignalReader::read(std::span<double> out, std::size_t rows) {
    const sf_count_t got = sf_readf_double(file_, out.data(), static_cast<sf_count_t>(rows));
    if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR) {
        throw FileError(path_, std::string("read error: ") + sf_strerror(file_));
    }
    return static_cast<std::size_t>(got);
}

int audioFormatFor(const std::string& target) {
    const std::string extension = canonicalExtension(lowerExtension(target));
    if (extension.empty()) {
        throw UsageError(target + ": no file extension to tell the output format (.csv, .wav, .aiff, ...)");
    }
    int majorCount = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majorCount, sizeof majorCount);
    for (int i = 0; i < majorCount; ++i) {
        SF_FORMAT_INFO major{};
        major.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major);
        if (major.extension == nullptr || extension != major.extension) {
            continue;
        }
        // Doubles keep every value; single precision where the container
        // has no double subtype.
        for (const int subtype : {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT}) {
            SF_INFO probe{};
            probe.samplerate = 48000;
            probe.channels = 1;
            probe.format = major.format | subtype;
            if (sf_format_check(&probe)) {
                return probe.format;
            }
        }
        throw UsageError(target + ": the " + major.name +
                         " format cannot store floating-point samples, so the output would be "
                         "quantised; write .wav, .aiff, .caf or .csv instead");
    }
    throw UsageError(target + ": unknown output format '." + extension +
                     "' (use .csv or an audio format such as .wav, .aiff, .caf)");
}

AudioSignalWriter::AudioSignalWriter(const std::string& target, const std::string& writePath,
                                     const SignalFormat& format)
    : target_(target) {
    if (format.complex) {
        throw UsageError(target + ": audio files hold real signals; write a complex signal to .csv");
    }
    const int fileFormat = audioFormatFor(target);
    if (!format.sampleRate) {
        throw UsageError(target + ": writing audio needs a sample rate; give --rate");
    }
    const double rate = *format.sampleRate;
    if (!(rate >= 1.0 && rate <= 2147483647.0) || rate != std::floor(rate)) {
        throw UsageError(target + ": audio files need a whole sample rate, not " + std::to_string(rate));
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = format.channels;
    info.format = fileFormat;
    if (!sf_format_check(&info)) {
        throw UsageError(target + ": this audio format cannot hold " + std::to_string(format.channels) +
                         " channels at " + std::to_string(info.samplerate) + " Hz");
    }
    file_ = sf_open(writePath.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        throw FileError(target, std::string("cannot write: ") + sf_strerror(nullptr));
    }
}

AudioSignalWriter::~AudioSignalWriter() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

void AudioSignalWriter::write(std::span<const double> values, std::size_t rows) {
    const sf_count_t wrote = sf_writef_double(file_, values.data(), static_cast<sf_count_t>(rows));
    if (wrote != static_cast<sf_count_t>(rows)) {
        throw FileError(target_, std::string("write failed: ") + sf_strerror(file_));
    }
}

void AudioSignalWriter::finish() {
    sf_write_sync(file_);
    const int status = sf_close(file_);
    file_ = nullptr;
    if (status != 0) {
        throw FileError(target_, std::string("write failed: ") + sf_error_number(status));
    }
}

}  // namespace quorbelin::cli
