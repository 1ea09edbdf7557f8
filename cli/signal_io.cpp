#include "cli/signal_io.h"

#include <algorithm>
#include <cctype>

#include "cli/audio_signal.h"
#include "cli/csv_signal.h"
#include "cli/errors.h"

namespace quorbelin::cli {

bool isCsvPath(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

AudioEncoding parseAudioEncoding(const std::string& text) {
    if (text == "float64") return AudioEncoding::Float64;
    if (text == "float32") return AudioEncoding::Float32;
    if (text == "pcm16") return AudioEncoding::Pcm16;
    if (text == "pcm24") return AudioEncoding::Pcm24;
    if (text == "pcm32") return AudioEncoding::Pcm32;
    throw UsageError("--encoding must be float64, float32, pcm16, pcm24 or pcm32, not '" + text + "'");
}

std::unique_ptr<SignalReader> openSignalReader(const std::string& path, bool complex,
                                               std::optional<double> rate, const std::string& type) {
    const bool standardInput = path == "-";
    if (standardInput ? (type.empty() || type == "csv") : isCsvPath(path)) {
        return std::make_unique<CsvSignalReader>(path, complex, rate);
    }
    if (complex) {
        throw UsageError("--complex needs CSV input (two columns per channel); " + path +
                         " is read as audio");
    }
    auto reader = std::make_unique<AudioSignalReader>(path);
    if (rate && reader->format().sampleRate != rate) {
        throw UsageError("--rate is for CSV input; " + path + " has its own sample rate");
    }
    return reader;
}

std::unique_ptr<SignalWriter> openSignalWriter(const std::string& target, const std::string& writePath,
                                               const SignalFormat& format, const OutputFormat& output) {
    const bool standardOutput = target == "-";
    const bool csv = standardOutput ? (output.type.empty() || output.type == "csv") : isCsvPath(target);
    if (csv) {
        if (output.encoding) {
            throw UsageError("--encoding is for audio output; CSV keeps every value as it is");
        }
        if (standardOutput) {
            return std::make_unique<CsvSignalWriter>(stdout, format);
        }
        return std::make_unique<CsvSignalWriter>(writePath, target, format);
    }
    return std::make_unique<AudioSignalWriter>(target, writePath, format, output);
}

}  // namespace quorbelin::cli
