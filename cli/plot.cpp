#include "cli/plot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/errors.h"

extern char** environ;

namespace quorbelin::cli {

namespace {

// A scratch file in the temporary folder, removed when it goes.
class ScratchFile {
public:
    explicit ScratchFile(const char* stem) {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/" + stem +
                              "-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const int descriptor = ::mkstemp(buffer.data());
        if (descriptor < 0) {
            throw FileError(pattern, std::string("cannot create: ") + std::strerror(errno));
        }
        ::close(descriptor);
        path_ = buffer.data();
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A gnuplot string literal: single quotes, a quote doubled.
std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) {
        result += c;
        if (c == '\'') {
            result += '\'';
        }
    }
    return result + "'";
}

std::string readAll(const std::string& path) {
    std::ifstream stream(path);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

}  // namespace

PlotRecorder::PlotRecorder(int32_t channels, std::size_t maxBins, int32_t delayLines, int64_t first, int64_t end)
    : channels_(std::clamp(channels, 0, maxPlottedChannels)), maxBins_(std::max<std::size_t>(maxBins, 2)),
      first_(first), end_(end) {
    delayLines_ = delayLines <= 1 ? 1 : channels_;
}

void PlotRecorder::halveBins() {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < bins_.size(); i += 2, ++kept) {
        Bin merged = std::move(bins_[i]);
        if (i + 1 < bins_.size()) {
            const Bin& next = bins_[i + 1];
            for (int32_t c = 0; c < channels_; ++c) {
                merged.input[c].include(next.input[c]);
                merged.output[c].include(next.output[c]);
            }
            for (int32_t d = 0; d < delayLines_; ++d) {
                merged.delay[d].include(next.delay[d]);
            }
        }
        bins_[kept] = std::move(merged);
    }
    bins_.resize(kept);
    samplesPerBin_ *= 2;
}

PlotRecorder::Bin* PlotRecorder::binFor(int64_t sample) {
    if (sample < first_ || sample >= end_) {
        return nullptr;
    }
    while (static_cast<uint64_t>((sample - first_) / samplesPerBin_) >= maxBins_) {
        halveBins();
    }
    const std::size_t index = static_cast<std::size_t>((sample - first_) / samplesPerBin_);
    while (bins_.size() <= index) {
        bins_.push_back(Bin{first_ + static_cast<int64_t>(bins_.size()) * samplesPerBin_,
                            std::vector<ValueRange>(channels_), std::vector<ValueRange>(channels_),
                            std::vector<ValueRange>(delayLines_)});
    }
    return &bins_[index];
}

void PlotRecorder::addInput(int64_t sample, std::span<const double> input) {
    if (Bin* bin = binFor(sample)) {
        for (int32_t c = 0; c < channels_; ++c) {
            bin->input[c].include(input[c]);
        }
    }
}

void PlotRecorder::addOutput(int64_t sample, std::span<const double> output, std::span<const double> delays) {
    if (Bin* bin = binFor(sample)) {
        for (int32_t c = 0; c < channels_; ++c) {
            bin->output[c].include(output[c]);
        }
        for (int32_t d = 0; d < delayLines_; ++d) {
            bin->delay[d].include(delays[d]);
        }
    }
}

void PlotRecorder::add(int64_t sample, std::span<const double> input, std::span<const double> output, double delay) {
    addInput(sample, input);
    const double delays[maxPlottedChannels] = {delay, delay};
    addOutput(sample, output, delays);
}

void requireGnuplot(const std::string& target) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (::access((folder + "/gnuplot").c_str(), X_OK) == 0) {
            return;
        }
        start = end + 1;
    }
    throw FileError(target, "cannot draw the plot: gnuplot is not installed (e.g. 'make deps' or apt-get install "
                            "gnuplot-nox)");
}

std::string plotTerminalFor(const std::string& target) {
    const std::size_t dot = target.rfind('.');
    std::string extension = dot == std::string::npos ? "" : target.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "png" || extension == "svg") {
        return extension;
    }
    throw UsageError("--plot " + target + ": the plot file must end in .png or .svg");
}

void renderPlot(const PlotRecorder& recorder, const std::string& target, const std::string& writePath,
                std::optional<double> rate, const std::string& title) {
    const std::string terminal = plotTerminalFor(target);
    ScratchFile data("quorbelin-plot-data");
    ScratchFile script("quorbelin-plot-script");
    ScratchFile log("quorbelin-plot-log");
    {
        std::FILE* stream = std::fopen(data.path().c_str(), "w");
        if (stream == nullptr) {
            throw FileError(data.path(), std::string("cannot write: ") + std::strerror(errno));
        }
        // Per bin: time, then low and high of each channel's input and
        // output, then of the delay; "nan" where a bin saw no number.
        const auto writeRange = [stream](const ValueRange& range) {
            if (range.empty()) {
                std::fprintf(stream, " nan nan");
            } else {
                std::fprintf(stream, " %.9g %.9g", range.low, range.high);
            }
        };
        for (const PlotRecorder::Bin& bin : recorder.bins()) {
            const double time = rate ? static_cast<double>(bin.first) / *rate : static_cast<double>(bin.first);
            std::fprintf(stream, "%.9g", time);
            for (int32_t c = 0; c < recorder.channels(); ++c) {
                writeRange(bin.input[c]);
                writeRange(bin.output[c]);
            }
            for (const ValueRange& delay : bin.delay) {
                writeRange(delay);
            }
            std::fputc('\n', stream);
        }
        std::fclose(stream);
    }
    const int32_t panels = recorder.channels() + 1;
    std::ostringstream commands;
    if (terminal == "png") {
        commands << "set terminal pngcairo noenhanced size 1200," << 260 * panels << "\n";
    } else {
        commands << "set terminal svg noenhanced size 1200," << 260 * panels << "\n";
    }
    commands << "set output " << quoted(writePath) << "\n"
             << "set multiplot layout " << panels << ",1 title " << quoted(title) << "\n"
             << "set grid\nset key outside right top\n"
             << "set xlabel " << quoted(rate ? "time (s)" : "time (samples)") << "\n";
    const std::string file = quoted(data.path());
    // One sample per bin draws as lines; wider bins as the band between the
    // lowest and highest value.
    const bool envelope = recorder.samplesPerBin() > 1;
    const auto series = [&](int lowColumn, const char* name) {
        std::ostringstream text;
        if (envelope) {
            text << file << " using 1:" << lowColumn << ":" << lowColumn + 1
                 << " with filledcurves fill transparent solid 0.45 noborder title '" << name << "'";
        } else {
            text << file << " using 1:" << lowColumn << " with lines lw 1 title '" << name << "'";
        }
        return text.str();
    };
    if (recorder.bins().empty()) {
        // gnuplot refuses to draw no data; an empty signal gets an empty frame.
        commands << "set label 1 'no samples' at graph 0.5, graph 0.5 center\n";
        for (int32_t panel = 0; panel < panels; ++panel) {
            commands << "plot [0:1] [-1:1] NaN notitle\n";
        }
    } else {
        for (int32_t c = 0; c < recorder.channels(); ++c) {
            const int inputColumn = 2 + 4 * c;
            commands << "set ylabel " << quoted("channel " + std::to_string(c + 1)) << "\n"
                     << "plot " << series(inputColumn, "input") << ", " << series(inputColumn + 2, "output")
                     << "\n";
        }
        // The delay as the signals: its lowest and highest value per bin.
        const int delayColumn = 2 + 4 * recorder.channels();
        commands << "set ylabel 'delay (samples)'\nplot ";
        for (int32_t d = 0; d < recorder.delayLines(); ++d) {
            const std::string name = recorder.delayLines() == 1 ? "delay" : "delay, channel " + std::to_string(d + 1);
            commands << (d > 0 ? ", " : "") << series(delayColumn + 2 * d, name.c_str());
        }
        commands << "\n";
    }
    commands << "unset multiplot\nset output\n";
    {
        std::ofstream stream(script.path());
        stream << commands.str();
        if (!stream) {
            throw FileError(script.path(), "cannot write");
        }
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.path().c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "gnuplot";
    std::string scriptPath = script.path();
    char* arguments[] = {program.data(), scriptPath.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "gnuplot", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw FileError(target, std::string("cannot run gnuplot (") + std::strerror(spawned) +
                                    "); install it, e.g. with 'make deps' or apt-get install gnuplot-nox");
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string output = readAll(log.path());
        while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) {
            output.pop_back();
        }
        throw FileError(target, "gnuplot failed" + (output.empty() ? std::string() : ": " + output));
    }
}

}  // namespace quorbelin::cli
