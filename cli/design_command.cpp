#include "cli/design_command.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <limits>
#include <vector>

#include "cli/analysis_report.h"
#include "cli/atomic_output.h"
#include "cli/csv_writer.h"
#include "cli/design_search.h"
#include "cli/errors.h"
#include "cli/filter_design.h"
#include "cli/format_number.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

namespace {

void writeMatrix(const Matrix& matrix, CsvWriter& writer) {
    std::vector<double> row(static_cast<std::size_t>(matrix.columns));
    for (int32_t r = 0; r < matrix.rows; ++r) {
        for (int32_t c = 0; c < matrix.columns; ++c) {
            row[static_cast<std::size_t>(c)] = matrix(r, c);
        }
        writer.writeRow(row);
    }
    writer.finish();
}

void writeMatrixTo(const Matrix& matrix, const std::string& output) {
    if (output.empty() || output == "-") {
        CsvWriter writer(stdout, "standard output");
        writeMatrix(matrix, writer);
        return;
    }
    AtomicOutput file(output);
    CsvWriter writer(file.temporaryPath(), output);
    writeMatrix(matrix, writer);
    file.commit();
}

// A whole number of bytes, optionally followed by K, M or G (powers of
// 1024; KiB, MiB and GiB too).
int64_t parseByteCount(const std::string& text) {
    std::string digits = text;
    int64_t unit = 1;
    for (const auto& [suffix, factor] : {std::pair{"GiB", int64_t{1} << 30}, std::pair{"MiB", int64_t{1} << 20},
                                         std::pair{"KiB", int64_t{1} << 10}, std::pair{"G", int64_t{1} << 30},
                                         std::pair{"M", int64_t{1} << 20}, std::pair{"K", int64_t{1} << 10},
                                         std::pair{"k", int64_t{1} << 10}}) {
        const std::string end(suffix);
        if (digits.size() > end.size() && digits.compare(digits.size() - end.size(), end.size(), end) == 0) {
            digits.resize(digits.size() - end.size());
            unit = factor;
            break;
        }
    }
    const std::optional<int64_t> count = parseInteger(digits);
    if (!count || *count < 1 || *count > std::numeric_limits<int64_t>::max() / unit) {
        throw UsageError("--max-bytes '" + text + "': expected a whole number of bytes, e.g. 1048576 or 64M");
    }
    return *count * unit;
}

std::vector<FilterDesign::Kind> familiesFor(const std::string& family) {
    using Kind = FilterDesign::Kind;
    if (family == "sinc") return {Kind::Sinc};
    if (family == "lagrange") return {Kind::Lagrange};
    if (family == "ls") return {Kind::LeastSquares};
    return {Kind::Sinc, Kind::Lagrange, Kind::LeastSquares};
}

bool hasSearchOptions(const DesignOptions& options) {
    return options.snrDb || options.band || options.family != "any" || options.maxTaps || options.maxPhases ||
           !options.maxBytes.empty();
}

DesignRequest requestFor(const DesignOptions& options) {
    DesignRequest request;
    if (options.design == "auto") {
        if (!options.snrDb || !options.band) {
            throw UsageError("design-filter auto needs --snr DB and --band B");
        }
        request.snrDb = *options.snrDb;
        request.band = *options.band;
    } else {
        if (options.snrDb || options.band) {
            throw UsageError("'" + options.design + "' sets the SNR and band itself; use auto --snr DB --band B");
        }
        request = *parseAutoDesign(options.design);
    }
    request.families = familiesFor(options.family);
    if (options.maxTaps) {
        request.maxTaps = *options.maxTaps;
    }
    if (options.maxPhases) {
        request.maxPhases = *options.maxPhases;
    }
    if (!options.maxBytes.empty()) {
        request.maxBytes = parseByteCount(options.maxBytes);
    }
    checkDesignRequest(request);
    return request;
}

}  // namespace

CLI::App* addDesignCommand(CLI::App& app, DesignOptions& options) {
    CLI::App* command = app.add_subcommand(
        "design-filter",
        "Write a polyphase interpolation filter (column p serves the fraction p/PHASES) as CSV; 'auto' chooses the "
        "cheapest design that meets an SNR");
    command->add_option("DESIGN", options.design,
                        "lagrange:ORDER:PHASES (exact for polynomials up to ORDER, ORDER + 1 taps), "
                        "sinc:TAPS:PHASES[:BETA] (Kaiser-windowed sinc, BETA 8 by default), ls:TAPS:PHASES:BAND "
                        "(least-squares over the band, a fraction of the Nyquist rate), or auto (with --snr and "
                        "--band; or auto:SNR_DB:BAND)")
        ->required();
    command->add_option("-o,--output", options.output, "CSV file to write (default: standard output)")
        ->type_name("FILE.csv");
    command->add_option("--snr", options.snrDb,
                        "auto: the worst SNR to meet over the band, in dB (white noise, any fractional delay)")
        ->type_name("DB");
    command->add_option("--band", options.band, "auto: the band, a fraction of the Nyquist rate in (0, 1]")
        ->type_name("B");
    command->add_option("--family", options.family, "auto: the designs to choose from")
        ->check(CLI::IsMember({"sinc", "lagrange", "ls", "any"}))
        ->capture_default_str();
    command->add_option("--max-taps", options.maxTaps,
                        "auto: at most this many taps (default " + std::to_string(maxDesignTaps) + ")")
        ->type_name("T");
    command->add_option("--max-phases", options.maxPhases,
                        "auto: at most this many phases (default " + std::to_string(maxDesignPhases) + ")")
        ->type_name("P");
    command->add_option("--max-bytes", options.maxBytes,
                        "auto: at most this size of the matrix of doubles, in bytes, or with K, M or G (default 64M)")
        ->type_name("N");
    command->footer("auto returns the design with the fewest taps (they decide speed), then the fewest phases (they "
                    "decide memory), whose worst SNR over the band meets the target; it prints the design and its "
                    "analysis on standard error.\n"
                    "Examples:\n"
                    "  quorbelin design-filter sinc:32:64 -o sinc.csv\n"
                    "  quorbelin run in.wav -o out.wav --delay 3.3 --filter sinc.csv\n"
                    "  quorbelin design-filter auto --snr 80 --band 0.8 -o f.csv\n"
                    "  quorbelin design-filter auto --snr 60 --band 0.5 --family sinc --max-bytes 1M -o f.csv");
    return command;
}

void writeFilterDesign(const DesignOptions& options, std::FILE* notes) {
    const bool automatic = options.design == "auto" || options.design.rfind("auto:", 0) == 0;
    if (!automatic) {
        if (hasSearchOptions(options)) {
            throw UsageError("--snr, --band, --family, --max-taps, --max-phases and --max-bytes go with "
                             "design-filter auto");
        }
        const std::optional<FilterDesign> parsed = parseFilterDesign(options.design);
        if (!parsed) {
            throw UsageError("'" + options.design + "' is not a filter design: expected " + designForms +
                             " or auto");
        }
        writeMatrixTo(designFilter(*parsed), options.output);
        return;
    }
    const DesignRequest request = requestFor(options);
    const DesignChoice choice = searchDesign(request);
    AnalysisReport report;
    report.filter = "auto:" + shortestText(request.snrDb) + ":" + shortestText(request.band);
    report.chosenDesign = formatFilterDesign(choice.design);
    const double requested[] = {request.band};
    report.analysis = analyzeFilter(choice.filter, requested);
    writeMatrixTo(choice.filter, options.output);
    std::fprintf(notes, "%s\n\n", report.chosenDesign.c_str());
    printAnalysisText(report, notes);
}

}  // namespace quorbelin::cli
