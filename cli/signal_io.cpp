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

std::unique_ptr<SignalReader> openSignalReader(const std::string& path, bool complex,
                                               std::optional<double> rate) {
    if (isCsvPath(path)) {
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
                                               const SignalFormat& format) {
    if (isCsvPath(target)) {
        return std::make_unique<CsvSignalWriter>(writePath, target, format);
    }
    return std::make_unique<AudioSignalWriter>(target, writePath, format);
}

}  // namespace quorbelin::cli
