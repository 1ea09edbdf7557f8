#include "cli/audio_signal.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

const char* encodingName(AudioEncoding encoding) {
    switch (encoding) {
        case AudioEncoding::Float64: return "float64";
        case AudioEncoding::Float32: return "float32";
        case AudioEncoding::Pcm16: return "pcm16";
        case AudioEncoding::Pcm24: return "pcm24";
        case AudioEncoding::Pcm32: return "pcm32";
    }
    return "";
}

int subtypeOf(AudioEncoding encoding) {
    switch (encoding) {
        case AudioEncoding::Float64: return SF_FORMAT_DOUBLE;
        case AudioEncoding::Float32: return SF_FORMAT_FLOAT;
        case AudioEncoding::Pcm16: return SF_FORMAT_PCM_16;
        case AudioEncoding::Pcm24: return SF_FORMAT_PCM_24;
        case AudioEncoding::Pcm32: return SF_FORMAT_PCM_32;
    }
    return 0;
}

int integerBitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_16: return 16;
        case SF_FORMAT_PCM_24: return 24;
        case SF_FORMAT_PCM_32: return 32;
        default: return 0;
    }
}

// The frames a damaged file's header promised, where libsndfile's log of
// the header tells them: the audio chunk's size as written against the
// bytes the file holds ("data : 192000 (should be 49956)"), or a frame
// count of the header ("Frames : 48000").
std::optional<int64_t> promisedFrames(SNDFILE* file, int64_t frames) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::optional<int64_t> promised;
    for (const char* line = log; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line, end != nullptr ? end : line + std::strlen(line));
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos) {
            std::string name = text.substr(0, colon);
            name.erase(0, name.find_first_not_of(' '));
            name.erase(name.find_last_not_of(' ') + 1);
            const char* value = text.c_str() + colon + 1;
            const std::size_t should = text.find("(should be ");
            if ((name == "data" || name == "SSND" || name == "Data Size") && should != std::string::npos) {
                const double written = std::strtod(value, nullptr);
                const double held = std::strtod(text.c_str() + should + 11, nullptr);
                if (held > 0.0 && frames > 0) {
                    promised = static_cast<int64_t>(std::llround(written / (held / static_cast<double>(frames))));
                }
            } else if (name == "Frames" && !promised) {
                promised = std::strtoll(value, nullptr, 10);
            }
        }
        line = end != nullptr ? end + 1 : line + std::strlen(line);
    }
    return promised;
}

}  // namespace

AudioSignalReader::AudioSignalReader(const std::string& path) : path_(path == "-" ? "standard input" : path) {
    SF_INFO info{};
    file_ = path == "-" ? sf_open_fd(STDIN_FILENO, SFM_READ, &info, 0) : sf_open(path.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        throw FileError(path_, std::string("cannot read as audio: ") + sf_strerror(nullptr));
    }
    format_.channels = info.channels;
    format_.complex = false;
    format_.sampleRate = static_cast<double>(info.samplerate);
    if (info.seekable != 0) {
        promised_ = std::max<int64_t>(info.frames, promisedFrames(file_, info.frames).value_or(0));
    }
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

int audioFormatFor(const std::string& target, const std::string& name, std::optional<AudioEncoding> encoding) {
    const std::string extension = canonicalExtension(name);
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
        const auto accepts = [&major](int subtype) {
            SF_INFO probe{};
            probe.samplerate = 48000;
            probe.channels = 1;
            probe.format = major.format | subtype;
            return sf_format_check(&probe) != 0;
        };
        if (encoding) {
            if (accepts(subtypeOf(*encoding))) {
                return major.format | subtypeOf(*encoding);
            }
            throw UsageError(target + ": the " + major.name + " format cannot store " + encodingName(*encoding) +
                             " samples");
        }
        // Doubles keep every value; single precision where the container
        // has no double subtype.
        for (const int subtype : {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT}) {
            if (accepts(subtype)) {
                return major.format | subtype;
            }
        }
        throw UsageError(target + ": the " + major.name +
                         " format cannot store floating-point samples; give --encoding pcm16 or pcm24 to "
                         "quantise the output to integers, or write .wav, .aiff, .caf or .csv");
    }
    throw UsageError(target + ": unknown output format '." + extension +
                     "' (use .csv or an audio format such as .wav, .aiff, .caf)");
}

AudioSignalWriter::AudioSignalWriter(const std::string& target, const std::string& writePath,
                                     const SignalFormat& format, const OutputFormat& output)
    : target_(target == "-" ? "standard output" : target) {
    if (format.complex) {
        throw UsageError(target_ + ": audio files hold real signals; write a complex signal to .csv");
    }
    const bool standardOutput = target == "-";
    const int fileFormat = audioFormatFor(target_, standardOutput ? output.type : lowerExtension(target),
                                          output.encoding);
    if (!format.sampleRate) {
        throw UsageError(target_ + ": writing audio needs a sample rate; give --rate");
    }
    const double rate = *format.sampleRate;
    if (!(rate >= 1.0 && rate <= 2147483647.0) || rate != std::floor(rate)) {
        throw UsageError(target_ + ": audio files need a whole sample rate, not " + std::to_string(rate));
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = format.channels;
    info.format = fileFormat;
    if (!sf_format_check(&info)) {
        throw UsageError(target_ + ": this audio format cannot hold " + std::to_string(format.channels) +
                         " channels at " + std::to_string(info.samplerate) + " Hz");
    }
    file_ = standardOutput ? sf_open_fd(STDOUT_FILENO, SFM_WRITE, &info, 0)
                           : sf_open(writePath.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        throw FileError(target_, std::string("cannot write: ") + sf_strerror(nullptr));
    }
    integerBits_ = integerBitsOf(fileFormat);
    channels_ = format.channels;
}

AudioSignalWriter::~AudioSignalWriter() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

void AudioSignalWriter::write(std::span<const double> values, std::size_t rows) {
    sf_count_t wrote = 0;
    if (integerBits_ == 0) {
        wrote = sf_writef_double(file_, values.data(), static_cast<sf_count_t>(rows));
    } else {
        // Full scale is 2^(bits - 1), as libsndfile reads integers back;
        // the integers go to libsndfile left-justified in 32 bits.
        const std::size_t count = rows * static_cast<std::size_t>(channels_);
        integers_.resize(count);
        const double scale = std::ldexp(1.0, integerBits_ - 1);
        const double highest = scale - 1.0;
        const int shift = 32 - integerBits_;
        for (std::size_t i = 0; i < count; ++i) {
            double level = std::nearbyint(values[i] * scale);
            if (!(level >= -scale && level <= highest)) {
                ++clipped_;
                level = std::isnan(level) ? 0.0 : std::clamp(level, -scale, highest);
            }
            integers_[i] = static_cast<int>(static_cast<uint32_t>(static_cast<int64_t>(level)) << shift);
        }
        wrote = sf_writef_int(file_, integers_.data(), static_cast<sf_count_t>(rows));
    }
    if (wrote != static_cast<sf_count_t>(rows)) {
        throw FileError(target_, std::string("write failed: ") + sf_strerror(file_));
    }
}

void AudioSignalWriter::finish() {
    // No fsync: like the CSV output and like other audio tools, the file is
    // complete once closed; forcing it to the disk made a run wait for the
    // whole file's write-back.
    const int status = sf_close(file_);
    file_ = nullptr;
    if (status != 0) {
        throw FileError(target_, std::string("write failed: ") + sf_error_number(status));
    }
}

}  // namespace quorbelin::cli
