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

PlotRecorder::PlotRecorder(int32_t channels, std::size_t maxPoints)
    : channels_(std::clamp(channels, 0, maxPlottedChannels)), maxPoints_(std::max<std::size_t>(maxPoints, 2)) {}

void PlotRecorder::add(int64_t sample, std::span<const double> input, std::span<const double> output, double delay) {
    if (sample % stride_ != 0) {
        return;
    }
    if (points_.size() == maxPoints_) {
        // Keep every other point and take half as many from here on.
        std::size_t kept = 1;  // point 0 stays where it is
        for (std::size_t i = 2; i < points_.size(); i += 2) {
            points_[kept++] = std::move(points_[i]);
        }
        points_.resize(kept);
        stride_ *= 2;
        if (sample % stride_ != 0) {
            return;
        }
    }
    points_.push_back(Point{sample, std::vector<double>(input.begin(), input.begin() + channels_),
                            std::vector<double>(output.begin(), output.begin() + channels_), delay});
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
        for (const PlotRecorder::Point& point : recorder.points()) {
            const double time = rate ? static_cast<double>(point.sample) / *rate : static_cast<double>(point.sample);
            std::fprintf(stream, "%.9g", time);
            for (int32_t c = 0; c < recorder.channels(); ++c) {
                std::fprintf(stream, " %.9g %.9g", point.input[c], point.output[c]);
            }
            std::fprintf(stream, " %.9g\n", point.delay);
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
    if (recorder.points().empty()) {
        // gnuplot refuses to draw no data; an empty signal gets an empty frame.
        commands << "set label 1 'no samples' at graph 0.5, graph 0.5 center\n";
        for (int32_t panel = 0; panel < panels; ++panel) {
            commands << "plot [0:1] [-1:1] NaN notitle\n";
        }
        commands << "unset multiplot\nset output\n";
    } else {
        for (int32_t c = 0; c < recorder.channels(); ++c) {
            const int inputColumn = 2 + 2 * c;
            commands << "set ylabel " << quoted("channel " + std::to_string(c + 1)) << "\n"
                     << "plot " << file << " using 1:" << inputColumn << " with lines lw 1 title 'input', "
                     << file << " using 1:" << inputColumn + 1 << " with lines lw 1 title 'output'\n";
        }
        commands << "set ylabel 'delay (samples)'\n"
                 << "plot " << file << " using 1:" << 2 + 2 * recorder.channels()
                 << " with lines lw 2 title 'delay'\n"
                 << "unset multiplot\nset output\n";
    }
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
