// The whole tool at work: one minute of 48 kHz stereo audio through
// `quorbelin run` with the sinc:32:64 design and a modulated delay, timed
// from process start to exit (file reading, the simulation, file writing).
// Reports the real-time factor: seconds of audio per second of wall time.
// Then the default run (no options but the delay) on ten minutes of 48 kHz
// stereo 16-bit WAV beside `sox in.wav -e float -b 64 out.wav`, which does
// the same file work without the delay: the two alternate, several times,
// and the table gives the medians of wall and CPU time and their ratios.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "cli/atomic_output.h"
#include "cli/audio_signal.h"

extern char** environ;

namespace {

constexpr double rate = 48000.0;
constexpr int seconds = 60;
constexpr int channels = 2;
constexpr int repeats = 3;

constexpr int soxSeconds = 600;
constexpr int soxRepeats = 5;

void writeTestFile(const std::string& path, int length, const quorbelin::cli::OutputFormat& encoding = {}) {
    quorbelin::cli::AtomicOutput file(path);
    quorbelin::cli::AudioSignalWriter writer(path, file.temporaryPath(), {channels, false, rate}, encoding);
    std::vector<double> block(4800 * channels);
    for (int64_t start = 0; start < static_cast<int64_t>(rate) * length; start += 4800) {
        for (int64_t n = 0; n < 4800; ++n) {
            const double t = static_cast<double>(start + n) / rate;
            block[n * channels] = 0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * t);
            block[n * channels + 1] = 0.5 * std::sin(2.0 * std::numbers::pi * 3150.0 * t);
        }
        writer.write(block, 4800);
    }
    writer.finish();
    file.commit();
}

struct Times {
    double wall = -1.0;  // negative when the run failed
    double cpu = 0.0;    // user + system
};

// One run of a program (found on PATH), timed from outside.
Times timeProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Times times;
    times.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times.wall = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1.0;
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The default run against sox on the same file, alternating; false when a
// run failed.
bool compareWithSox(const std::string& folder) {
    const std::string input = folder + "/ten-minutes.wav";
    writeTestFile(input, soxSeconds, {"", quorbelin::cli::AudioEncoding::Pcm16});
    const std::vector<std::string> quorbelin = {"run", input, "-o", folder + "/delayed.wav", "--delay", "12.5", "-q"};
    const std::vector<std::string> sox = {input, "-e", "float", "-b", "64", folder + "/converted.wav"};
    std::vector<double> ourWall, ourCpu, soxWall, soxCpu;
    for (int r = 0; r < soxRepeats; ++r) {
        const Times ours = timeProgram(QUORBELIN_CLI_PATH, quorbelin);
        const Times theirs = timeProgram("sox", sox);
        if (ours.wall < 0.0 || theirs.wall < 0.0) {
            std::fprintf(stderr, "%s failed\n", ours.wall < 0.0 ? "quorbelin run" : "sox (apt-get install sox)");
            return false;
        }
        ourWall.push_back(ours.wall);
        ourCpu.push_back(ours.cpu);
        soxWall.push_back(theirs.wall);
        soxCpu.push_back(theirs.cpu);
    }
    std::printf("\nThe default run against sox: %d s of %.0f Hz stereo 16-bit WAV to 64-bit float WAV, %d runs "
                "each, alternating; medians\n",
                soxSeconds, rate, soxRepeats);
    std::printf("%-52s %10s %10s\n", "command", "wall (s)", "CPU (s)");
    std::printf("%-52s %10.3f %10.3f\n", "quorbelin run in.wav -o out.wav --delay 12.5", median(ourWall),
                median(ourCpu));
    std::printf("%-52s %10.3f %10.3f\n", "sox in.wav -e float -b 64 out.wav", median(soxWall), median(soxCpu));
    std::printf("%-52s %10.2f %10.2f   (target: wall <= 1.5)\n", "ratio", median(ourWall) / median(soxWall),
                median(ourCpu) / median(soxCpu));
    return true;
}

// Wall seconds of one run of the tool; negative when it failed.
double timeRun(const std::vector<std::string>& arguments) { return timeProgram(QUORBELIN_CLI_PATH, arguments).wall; }

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "quorbelin-cli-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string input = folder + "/minute.wav";
    const std::string output = folder + "/delayed.wav";
    writeTestFile(input, seconds);
    const std::string delay = "sine:32:12:0.5";
    std::printf("quorbelin run: %d s of %.0f Hz stereo, --filter sinc:32:64, --delay %s (samples), %d runs each\n",
                seconds, rate, delay.c_str(), repeats);
    std::printf("%8s %12s %12s %18s\n", "--frame", "best (s)", "median (s)", "x real time");
    // One sample hit per time sample, and 64 per hit: the host's cost per
    // hit against the block's cost per sample.
    for (const int frame : {1, 64}) {
        const std::vector<std::string> arguments = {"run", input, "-o", output, "--filter", "sinc:32:64",
                                                    "--delay", delay, "--frame", std::to_string(frame), "--quiet"};
        std::vector<double> times;
        for (int r = 0; r < repeats; ++r) {
            const double elapsed = timeRun(arguments);
            if (elapsed < 0.0) {
                std::fprintf(stderr, "quorbelin run failed\n");
                std::filesystem::remove_all(folder);
                return 1;
            }
            times.push_back(elapsed);
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("%8d %12.3f %12.3f %18.1f\n", frame, times.front(), median, seconds / median);
    }
    const bool compared = compareWithSox(folder);
    std::filesystem::remove_all(folder);
    return compared ? 0 : 1;
}
