#include "cli/run_command.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <vector>

#include "cli/atomic_output.h"
#include "cli/block_location.h"
#include "cli/delay_plan.h"
#include "cli/delay_source.h"
#include "cli/delay_stream.h"
#include "cli/errors.h"
#include "cli/parse_number.h"
#include "cli/plot.h"
#include "cli/progress.h"
#include "cli/run_report.h"

namespace quorbelin::cli {

namespace {

// --plot-range START:END in seconds (samples without a rate); an empty side
// is the run's start or end.
std::pair<int64_t, int64_t> plotRange(const std::string& text, std::optional<double> rate) {
    if (text.empty()) {
        return {0, std::numeric_limits<int64_t>::max()};
    }
    const std::vector<std::string_view> fields = splitFields(text, ':');
    const auto side = [&](std::string_view field, int64_t otherwise) -> std::optional<int64_t> {
        if (trimBlanks(field).empty()) {
            return otherwise;
        }
        const std::optional<double> value = parseDouble(field);
        if (!value || !(*value >= 0.0)) {
            return std::nullopt;
        }
        const double samples = rate ? *value * *rate : *value;
        return samples < 9e18 ? static_cast<int64_t>(std::floor(samples)) : std::numeric_limits<int64_t>::max();
    };
    std::optional<int64_t> start, end;
    if (fields.size() == 2) {
        start = side(fields[0], 0);
        end = side(fields[1], std::numeric_limits<int64_t>::max());
    }
    if (!start || !end || *start >= *end) {
        throw UsageError("--plot-range '" + text + "': expected START:END with 0 <= START < END, in " +
                         (rate ? "seconds" : "samples (the input has no sample rate)"));
    }
    return {*start, *end};
}

// Feeds the plot the real parts of the first channels.
class PlotFeed final : public RunObserver {
public:
    PlotFeed(PlotRecorder& recorder, const SignalFormat& format) : recorder_(recorder), format_(format) {}

    void input(int64_t first, std::size_t rows, const double* values) override {
        for (std::size_t r = 0; r < rows; ++r) {
            recorder_.addInput(first + static_cast<int64_t>(r), realParts(values, r));
        }
    }
    void output(int64_t first, std::size_t rows, const double* values, const double* delays) override {
        const std::size_t delaysPerRow = perChannel_ ? static_cast<std::size_t>(format_.channels) : 1;
        for (std::size_t r = 0; r < rows; ++r) {
            recorder_.addOutput(first + static_cast<int64_t>(r), realParts(values, r),
                                std::span<const double>(delays + r * delaysPerRow, delaysPerRow));
        }
    }
    void setPerChannel(bool perChannel) { perChannel_ = perChannel; }

private:
    std::span<const double> realParts(const double* values, std::size_t row) {
        const std::size_t step = format_.complex ? 2 : 1;
        for (int32_t c = 0; c < recorder_.channels(); ++c) {
            parts_[static_cast<std::size_t>(c)] = values[row * format_.valuesPerRow() + static_cast<std::size_t>(c) * step];
        }
        return std::span<const double>(parts_.data(), static_cast<std::size_t>(recorder_.channels()));
    }

    PlotRecorder& recorder_;
    SignalFormat format_;
    bool perChannel_ = false;
    std::array<double, maxPlottedChannels> parts_{};
};

void warn(std::FILE* messages, const std::string& text) { std::fprintf(messages, "quorbelin: warning: %s\n", text.c_str()); }

}  // namespace

RunSummary runDelay(const RunOptions& options, std::FILE* messages) {
    if (options.rate && !(*options.rate > 0.0 && std::isfinite(*options.rate))) {
        throw UsageError("--rate must be a positive number of samples per second");
    }
    if (!options.type.empty() && options.input != "-" && options.output != "-") {
        throw UsageError("--type names the format of standard input or output (-); files are told by their "
                         "extension");
    }
    if (!options.plot.empty()) {
        plotTerminalFor(options.plot);
        requireGnuplot(options.plot);
    }
    const DelayUnit unit = parseDelayUnit(options.delayUnit);
    // A closed pipe is a failed write (status 1, a message), not a silent
    // death that would leave temporary files behind.
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<SignalReader> reader = openSignalReader(options.input, options.complex, options.rate, options.type);
    const SignalFormat format = reader->format();
    const std::pair<int64_t, int64_t> range = plotRange(options.plotRange, format.sampleRate);

    DelayRunSettings settings;
    settings.maxDelay = options.parameters.maxDelay;
    settings.filter = resolveFilter(options.parameters.filter);
    settings.initialConditions = resolveInitialConditions(options.parameters.initialConditions);
    settings.channels = options.parameters.channels;
    settings.perChannel = options.parameters.perChannel;
    settings.frame = options.frame;
    settings.lookahead = options.lookahead;
    settings.tail = options.tail;
    settings.memoryLimit = options.memoryLimit.value_or(defaultMemoryLimit());

    const int32_t frame = chooseFrame(settings, format);
    const DelayLayout layout{settings.perChannel, format.channels, frame};
    std::unique_ptr<DelaySource> delays =
        makeDelaySource(options.delay, unit, format.sampleRate, layout, options.allowNonfinite);
    const DelayRunPlan plan = planDelayRun(settings, format, frame, *delays);

    const vostrel::BlockLibrary library(locateBlockLibrary(options.blockPath));
    DelayStream stream(library, plan, format, settings.memoryLimit);
    for (const std::string& warning : runWarnings(plan, *delays)) {
        warn(messages, warning);
    }

    const bool standardOutput = options.output == "-";
    std::optional<AtomicOutput> output;
    if (!standardOutput) {
        output.emplace(options.output);
    }
    std::unique_ptr<SignalWriter> writer =
        openSignalWriter(options.output, output ? output->temporaryPath() : "-", format,
                         OutputFormat{options.type, options.encoding});
    std::optional<AtomicOutput> plotOutput;
    std::optional<PlotRecorder> recorder;
    std::optional<PlotFeed> feed;
    if (!options.plot.empty()) {
        plotOutput.emplace(options.plot);
        recorder.emplace(format.channels, 1024, settings.perChannel ? format.channels : 1, range.first, range.second);
        feed.emplace(*recorder, format);
        feed->setPerChannel(settings.perChannel);
    }

    Progress progress(!options.quiet, reader->length());
    const RunCounts counts =
        stream.run(*reader, *delays, *writer, feed ? &*feed : nullptr, [&](int64_t done) { progress.update(done); });
    writer->finish();
    progress.finish();

    if (const std::optional<int64_t> promised = reader->length(); promised && counts.inputSamples < *promised) {
        warn(messages, options.input + ": the header promises " + std::to_string(*promised) + " frames, but only " +
                           std::to_string(counts.inputSamples) + " could be read; the output holds what was read");
    }
    if (recorder) {
        renderPlot(*recorder, options.plot, plotOutput->temporaryPath(), format.sampleRate,
                   options.input + " -> " + options.output);
    }
    if (output) {
        output->commit();
    }
    if (plotOutput) {
        plotOutput->commit();
    }
    if (!options.quiet) {
        std::fprintf(messages, "quorbelin: %s\n",
                     summaryLine(counts, format.channels, writer->clipped(), format.sampleRate).c_str());
    }
    return RunSummary{counts.outputSamples, format.channels, counts.seconds};
}

}  // namespace quorbelin::cli
