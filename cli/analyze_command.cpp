#include "cli/analyze_command.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <numbers>

#include "cli/analysis_plot.h"
#include "cli/analysis_report.h"
#include "cli/block_parameters.h"
#include "cli/errors.h"
#include "cli/format_number.h"
#include "cli/gnuplot.h"
#include "cli/plot.h"

namespace quorbelin::cli {

namespace {

// The band whose worst fraction the plot draws.
constexpr double plottedBand = 0.8;

std::optional<PointReport> pointReport(const AnalyzeOptions& options, const Interpolator& filter) {
    if (!options.atHertz) {
        if (options.rate || options.fraction) {
            throw UsageError("--rate and --fraction go with --at FREQ_HZ");
        }
        return std::nullopt;
    }
    if (!options.rate) {
        throw UsageError("--at needs --rate HZ, the sample rate");
    }
    PointReport point;
    point.hertz = *options.atHertz;
    point.rate = *options.rate;
    point.fraction = options.fraction.value_or(0.5);
    if (!(point.rate > 0.0 && std::isfinite(point.rate))) {
        throw UsageError("--rate must be a positive number of samples per second");
    }
    if (!(point.hertz >= 0.0 && point.hertz <= point.rate / 2.0)) {
        throw UsageError("--at must lie from 0 to the Nyquist rate, " + shortestText(point.rate / 2.0) + " Hz");
    }
    if (!(point.fraction >= 0.0 && point.fraction < 1.0)) {
        throw UsageError("--fraction must lie in [0, 1)");
    }
    point.response = pointResponse(filter, 2.0 * std::numbers::pi * point.hertz / point.rate, point.fraction);
    return point;
}

}  // namespace

CLI::App* addAnalyzeCommand(CLI::App& app, AnalyzeOptions& options) {
    CLI::App* command = app.add_subcommand(
        "analyze", "Show how accurately an interpolator delays band-limited noise: worst and mean SNR over the "
                   "fractional part of the delay, per band");
    command->add_option("FILTER", options.filter,
                        "linear; a design lagrange:ORDER:PHASES, sinc:TAPS:PHASES[:BETA] or ls:TAPS:PHASES:BAND; "
                        "auto:SNR_DB:BAND (the design design-filter auto would choose); or a CSV matrix file")
        ->required();
    command->add_option("--band", options.bands,
                        "Also analyse this band, a fraction of the Nyquist rate in (0, 1] (repeatable); 0.25, 0.5, "
                        "0.8, 0.9 and 0.95 always are")
        ->allow_extra_args(false)
        ->type_name("B");
    command->add_option("--at", options.atHertz, "Also show the gain and phase delay at this frequency")
        ->type_name("FREQ_HZ");
    command->add_option("--rate", options.rate, "Sample rate for --at")->type_name("HZ");
    command->add_option("--fraction", options.fraction,
                        "Fractional part of the delay for --at, in [0, 1) (default 0.5)")
        ->type_name("F");
    command->add_option("--plot", options.plot,
                        "Also draw the error over frequency for several fractions and the SNR over the band "
                        "(gnuplot)")
        ->type_name("FILE.png|FILE.svg");
    command->add_flag("--json", options.json, "Print one JSON object instead of the text");
    command->footer("SNR: white noise band-limited to B x Nyquist, delayed through the filter as the block applies "
                    "it (the fraction rounded to the nearest phase), against the exact delay.\n"
                    "Examples:\n"
                    "  quorbelin analyze sinc:32:64\n"
                    "  quorbelin analyze lagrange:3:64 --at 18000 --rate 48000 --fraction 0.5\n"
                    "  quorbelin analyze ls:24:4096:0.8 --band 0.7 --plot accuracy.png\n"
                    "  quorbelin analyze filter.csv --json");
    return command;
}

void checkAnalysisBands(std::span<const double> bands) {
    for (const double band : bands) {
        if (!(band > 0.0 && band <= 1.0)) {
            throw UsageError("band " + shortestText(band) + ": a band is a fraction of the Nyquist rate in (0, 1]");
        }
    }
}

AnalysisReport analysisReportFor(const std::string& name, const NamedFilter& filter,
                                 std::span<const double> extraBands) {
    checkAnalysisBands(extraBands);
    AnalysisReport report;
    report.filter = name;
    report.chosenDesign = filter.chosenDesign;
    if (filter.matrix) {
        try {
            checkFilterMatrix(*filter.matrix);
        } catch (const std::invalid_argument& error) {
            throw FileError(name, error.what());
        }
    }
    report.analysis = analyzeFilter(filter.matrix, extraBands);
    return report;
}

void runAnalyze(const AnalyzeOptions& options, std::FILE* out) {
    // Cheap refusals first: the analysis (and an auto design's search) takes a while.
    checkAnalysisBands(options.bands);
    if (!options.plot.empty()) {
        plotTerminalFor(options.plot);
        requireGnuplot(options.plot);
    }
    const NamedFilter filter = resolveNamedFilter(options.filter);
    AnalysisReport report = analysisReportFor(options.filter, filter, options.bands);
    report.point = pointReport(options, filter.matrix);
    if (!options.plot.empty()) {
        double worstFraction = 0.5;
        for (const BandFigures& band : report.analysis.bands) {
            if (band.band == plottedBand) {
                worstFraction = band.worstFraction;
            }
        }
        plotAnalysis(filter.matrix, options.filter, worstFraction, options.plot);
    }
    if (options.json) {
        std::fprintf(out, "%s\n", analysisJson(report).c_str());
    } else {
        printAnalysisText(report, out);
    }
}

}  // namespace quorbelin::cli
