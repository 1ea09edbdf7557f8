// The whole tool at work: one minute of 48 kHz stereo audio through
// `quorbelin run` with the sinc:32:64 design and a modulated delay, timed
// from process start to exit (file reading, the simulation, file writing).
// Reports the real-time factor: seconds of audio per second of wall time.
#include <spawn.h>
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

void writeTestFile(const std::string& path) {
    quorbelin::cli::AtomicOutput file(path);
    quorbelin::cli::AudioSignalWriter writer(path, file.temporaryPath(), {channels, false, rate});
    std::vector<double> block(4800 * channels);
    for (int64_t start = 0; start < static_cast<int64_t>(rate) * seconds; start += 4800) {
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

// Wall seconds of one run of the tool; negative when it failed.
double timeRun(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {QUORBELIN_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
        return -1.0;
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1.0;
}

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "quorbelin-cli-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string input = folder + "/minute.wav";
    const std::string output = folder + "/delayed.wav";
    writeTestFile(input);
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
    std::filesystem::remove_all(folder);
    return 0;
}
