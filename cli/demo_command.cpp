#include "cli/demo_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "cli/atomic_output.h"
#include "cli/audio_signal.h"
#include "cli/block_parameters.h"
#include "cli/csv_signal.h"
#include "cli/design_search.h"
#include "cli/errors.h"
#include "cli/filter_analysis.h"
#include "cli/format_number.h"
#include "cli/run_command.h"

namespace quorbelin::cli {

namespace {

constexpr double sampleRate = 48000.0;
constexpr int64_t signalLength = 96000;  // two seconds
constexpr int32_t channels = 2;
// The delay sweeps 20 ... 44 samples once every two seconds: a vibrato
// whose fractional part takes every value. The block interpolates with a
// filter of M taps only from a delay of M / 2 - 1 samples on (below that it
// falls back to linear interpolation), so the sweep stays above 15 for the
// 32-tap design.
constexpr double meanDelay = 32.0;
constexpr double delayDepth = 12.0;
constexpr double delayHertz = 0.5;
// Outputs before this sample still show the zero initial conditions.
constexpr int64_t settledFrom = 1024;

struct Tone {
    double amplitude;
    double hertz;
    double phase;
};

// A chord per channel, from low to well into the treble, where linear
// interpolation loses most.
const std::vector<Tone>& tonesOf(int32_t channel) {
    static const std::vector<Tone> left = {{0.4, 220.0, 0.0}, {0.25, 1375.0, 0.7}, {0.15, 5500.0, 1.9}};
    static const std::vector<Tone> right = {{0.4, 330.0, 0.3}, {0.25, 2475.0, 1.1}, {0.15, 7900.0, 2.6}};
    return channel == 0 ? left : right;
}

double signalAt(int32_t channel, double seconds) {
    double value = 0.0;
    for (const Tone& tone : tonesOf(channel)) {
        value += tone.amplitude * std::sin(2.0 * std::numbers::pi * tone.hertz * seconds + tone.phase);
    }
    return value;
}

double delayAt(int64_t sample) {
    return meanDelay + delayDepth * std::sin(2.0 * std::numbers::pi * delayHertz * static_cast<double>(sample) / sampleRate);
}

void makeFolder(const std::string& folder) {
    std::string partial;
    for (std::size_t i = 0; i <= folder.size(); ++i) {
        if (i == folder.size() || (folder[i] == '/' && i > 0)) {
            partial = folder.substr(0, i);
            if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
                throw FileError(partial, std::string("cannot create folder: ") + std::strerror(errno));
            }
        }
    }
}

void writeTestSignal(const std::string& wavPath, const std::string& csvPath) {
    SignalFormat format{channels, false, sampleRate};
    AtomicOutput wav(wavPath);
    AtomicOutput csv(csvPath);
    AudioSignalWriter audio(wavPath, wav.temporaryPath(), format);
    CsvSignalWriter table(csv.temporaryPath(), csvPath, format);
    std::vector<double> row(channels);
    for (int64_t n = 0; n < signalLength; ++n) {
        for (int32_t c = 0; c < channels; ++c) {
            row[static_cast<std::size_t>(c)] = signalAt(c, static_cast<double>(n) / sampleRate);
        }
        audio.write(row, 1);
        table.write(row, 1);
    }
    audio.finish();
    table.finish();
    wav.commit();
    csv.commit();
}

// Signal-to-error ratio of a delayed file against the analytic signal
// delayed exactly, over the settled part.
double snrDecibels(const std::string& path) {
    AudioSignalReader reader(path);
    std::vector<double> row(channels);
    double signalEnergy = 0.0;
    double errorEnergy = 0.0;
    for (int64_t n = 0; reader.read(row, 1) == 1; ++n) {
        if (n < settledFrom) {
            continue;
        }
        const double seconds = (static_cast<double>(n) - delayAt(n)) / sampleRate;
        for (int32_t c = 0; c < channels; ++c) {
            const double expected = signalAt(c, seconds);
            const double error = row[static_cast<std::size_t>(c)] - expected;
            signalEnergy += expected * expected;
            errorEnergy += error * error;
        }
    }
    return 10.0 * std::log10(signalEnergy / errorEnergy);
}

// What the analysis promises for a few interpolators: the worst and mean
// SNR over band 0.8 for any fractional delay (see filter_analysis.h).
void printAccuracyTable(std::FILE* out) {
    constexpr double band = 0.8;
    std::fprintf(out, "\nAccuracy over band %s (white noise up to %s of the Nyquist rate, any fractional delay):\n\n",
                 shortestText(band).c_str(), shortestText(band).c_str());
    std::fprintf(out, "%-32s %16s %15s\n", "filter", "worst SNR (dB)", "mean SNR (dB)");
    const auto row = [&](const std::string& name, const Interpolator& filter) {
        const BandFigures figures = analyzeBand(filter, band);
        std::fprintf(out, "%-32s %16.1f %15.1f\n", name.c_str(), figures.worstSnrDb, figures.meanSnrDb);
    };
    for (const char* design : {"linear", "lagrange:3:64", "sinc:32:64"}) {
        row(design, resolveFilter(design));
    }
    DesignRequest request;
    request.snrDb = 80.0;
    request.band = band;
    const DesignChoice choice = searchDesign(request);
    row("auto:80:0.8 = " + formatFilterDesign(choice.design), choice.filter);
}

}  // namespace

void runDemo(const DemoOptions& options, std::FILE* out) {
    const std::string folder = options.folder.empty() ? "." : options.folder;
    makeFolder(folder);
    const std::string inputWav = folder + "/input.wav";
    const std::string inputCsv = folder + "/input.csv";
    writeTestSignal(inputWav, inputCsv);

    char modulation[96];
    std::snprintf(modulation, sizeof modulation, "%.17g:%.17g:%.17g", meanDelay, delayDepth, delayHertz);
    const std::string delay = std::string("sine:") + modulation;

    struct Variant {
        const char* name;
        const char* filter;
    };
    const Variant variants[] = {{"linear", "linear"}, {"sinc", "sinc:32:64"}};
    std::fprintf(out, "%d-channel test signal, %.1f s at %.0f Hz; delay %s samples (sine:MEAN:DEPTH:HZ)\n\n",
                 channels, static_cast<double>(signalLength) / sampleRate, sampleRate, modulation);
    std::fprintf(out, "%-12s %-12s %10s %18s %12s\n", "output", "filter", "SNR (dB)", "samples/s", "x real time");
    for (const Variant& variant : variants) {
        RunOptions run;
        run.input = inputWav;
        run.output = folder + "/" + variant.name + ".wav";
        run.plot = folder + "/" + variant.name + ".png";
        run.parameters.filter = variant.filter;
        run.delay = delay;
        run.quiet = true;
        run.blockPath = options.blockPath;
        const RunSummary summary = runDelay(run);
        const double throughput = static_cast<double>(summary.samples) / summary.seconds;
        std::fprintf(out, "%-12s %-12s %10s %18s %12s\n", (std::string(variant.name) + ".wav").c_str(),
                     variant.filter, formatted("%.1f", snrDecibels(run.output)).c_str(),
                     formatted("%.0f", throughput).c_str(), formatted("%.0f", throughput / sampleRate).c_str());
    }

    // The same through CSV files, which keep every bit of every value.
    RunOptions csvRun;
    csvRun.input = inputCsv;
    csvRun.output = folder + "/sinc.csv";
    csvRun.rate = sampleRate;
    csvRun.parameters.filter = "sinc:32:64";
    csvRun.delay = delay;
    csvRun.quiet = true;
    csvRun.blockPath = options.blockPath;
    runDelay(csvRun);

    std::fprintf(out,
                 "\nSNR: error against the analytic signal delayed exactly, from sample %lld on.\n"
                 "Files in %s/: input.wav input.csv linear.wav linear.png sinc.wav sinc.png sinc.csv\n",
                 static_cast<long long>(settledFrom), folder.c_str());
    printAccuracyTable(out);
}

}  // namespace quorbelin::cli
