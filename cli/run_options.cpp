#include "cli/run_options.h"

#include <cmath>
#include <limits>

#include "cli/errors.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

namespace {

// A whole number of at least `lowest`; "too large" past int64_t.
std::optional<int64_t> parseWhole(const std::string& text, const char* option, int64_t lowest, const char* what) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<double> value = parseDouble(text);
    if (!value || !(*value >= static_cast<double>(lowest)) || *value != std::floor(*value)) {
        throw UsageError(std::string(option) + " must be " + what + ", not '" + text + "'");
    }
    if (*value >= 9.2e18) {
        throw UsageError(std::string(option) + " " + text + " is too large");
    }
    return static_cast<int64_t>(*value);
}

// BYTES, or a number with K, M, G or T (powers of 1024).
uint64_t parseBytes(const std::string& text) {
    std::string digits = text;
    double unit = 1.0;
    if (!digits.empty()) {
        switch (digits.back()) {
            case 'k': case 'K': unit = 1024.0; break;
            case 'm': case 'M': unit = 1024.0 * 1024.0; break;
            case 'g': case 'G': unit = 1024.0 * 1024.0 * 1024.0; break;
            case 't': case 'T': unit = 1024.0 * 1024.0 * 1024.0 * 1024.0; break;
            default: break;
        }
        if (unit > 1.0) {
            digits.pop_back();
        }
    }
    const std::optional<double> value = parseDouble(digits);
    if (!value || !(*value > 0.0) || !std::isfinite(*value)) {
        throw UsageError("--memory-limit must be a number of bytes (K, M, G or T for powers of 1024), not '" +
                         text + "'");
    }
    const double bytes = std::floor(*value * unit);
    return bytes >= 1.8e19 ? std::numeric_limits<uint64_t>::max() : static_cast<uint64_t>(bytes);
}

}  // namespace

CLI::App* addRunCommand(CLI::App& app, RunCommandLine& line) {
    RunOptions& run = line.options;
    CLI::App* command = app.add_subcommand("run", "Delay every channel of INPUT and write OUTPUT");
    command->add_option("INPUT", run.input,
                        "Signal to delay: an audio file (WAV, FLAC, AIFF, ...; its channels and rate), a .csv file "
                        "(one row per time sample, one column per channel), or - for standard input (CSV, or "
                        "audio with --type)")
        ->required();
    command->add_option("-o,--output", run.output,
                        "Where to write the delayed signal: .csv, audio (.wav, .aiff, .caf, .flac, ...) at the "
                        "input's rate, or - for standard output (CSV, or audio that can stream with --type)")
        ->required()
        ->type_name("OUTPUT");
    command->add_option("--delay", run.delay,
                        "The delay: a number (constant); sine:MEAN:DEPTH:HZ (modulated: MEAN + DEPTH sin(2 pi HZ "
                        "t)); or a CSV file of values over time (one column, one row per time sample; with "
                        "--per-channel one column per channel, one row per frame)")
        ->required()
        ->type_name("DELAY");
    command->add_option("--delay-unit", run.delayUnit, "Unit of the delay values: samples, ms or s")
        ->check(CLI::IsMember({"samples", "ms", "s"}))
        ->capture_default_str();
    addParameterOptions(*command, line.parameters,
                        "Number of channels: the input's channel count (the default), or -1 to make every element "
                        "of the data port a channel of its own (frame 1)");
    command->add_option("--lookahead", line.lookahead,
                        "Give the block every delay plus N samples, feed N zeros past the end and drop the first N "
                        "outputs: delays from H - 1 - N on get the whole filter, and advances down to -N are "
                        "possible; auto is H - 1 (H = filter rows / 2), 0 for linear")
        ->type_name("N|auto")
        ->capture_default_str();
    command->add_flag("--tail", run.tail,
                      "Append the delayed end: the output is longer than the input by the largest delay, rounded "
                      "up, plus H, made from zeros after the end");
    command->add_option("--frame", line.frame,
                        "Samples per channel per sample hit (the data port is channels x F wide). Without "
                        "--per-channel the output does not depend on it and the tool picks a fast size; with "
                        "--per-channel it is 1 unless given")
        ->type_name("F");
    command->add_option("--rate", line.rate,
                        "Sample rate of a CSV input in Hz (for ms, s, sine delays and audio output)")
        ->type_name("HZ");
    command->add_flag("--complex", run.complex, "CSV input is complex: two columns per channel, real then imaginary");
    command->add_option("--type", run.type,
                        "Format of standard input or output (-): csv (the default) or an audio type such as wav, "
                        "au, flac, aiff")
        ->type_name("TYPE");
    command->add_option("--encoding", line.encoding,
                        "Samples of audio output: float64 (the default; float32 where the format has no double), "
                        "float32, or pcm16, pcm24, pcm32, which round to nearest and count clipped samples")
        ->check(CLI::IsMember({"float64", "float32", "pcm16", "pcm24", "pcm32"}))
        ->type_name("ENCODING");
    command->add_flag("--allow-nonfinite", run.allowNonfinite,
                      "Hand NaN and infinite delays to the block as they are, instead of refusing them");
    command->add_option("--memory-limit", line.memoryLimit,
                        "Refuse a run whose delay lines would take more than BYTES (K, M, G, T: powers of 1024); "
                        "default: half this machine's memory")
        ->type_name("BYTES");
    command->add_option("--plot", run.plot,
                        "Also draw input, output and delay over time for the first channels (gnuplot)")
        ->type_name("FILE.png|FILE.svg");
    command->add_option("--plot-range", run.plotRange,
                        "Draw only this stretch of the run, in seconds (in samples when the input has no rate)")
        ->type_name("START:END");
    command->add_flag("-q,--quiet", run.quiet, "No progress bar and no summary line (warnings still show)");
    command->footer("Example:\n"
                    "  quorbelin run in.wav -o out.wav --delay sine:5:2:0.5 --delay-unit ms --filter sinc:32:64 "
                    "--lookahead auto --plot out.png\n"
                    "  quorbelin run iq.csv -o late.csv --complex --delay delays.csv --max-delay 64\n"
                    "  sox in.flac -t wav - | quorbelin run - --type wav -o out.flac --encoding pcm24 --delay 3.5");
    return command;
}

RunOptions toRunOptions(const RunCommandLine& line, const std::string& blockPath) {
    RunOptions run = line.options;
    run.parameters = toParameterOptions(line.parameters);
    run.rate = parseOptionalNumber(line.rate, "--rate");
    run.frame = parseWhole(line.frame, "--frame", 1, "a whole number of at least 1");
    run.lookahead = line.lookahead == "auto"
                        ? std::nullopt
                        : parseWhole(line.lookahead, "--lookahead", 0, "a whole number of samples >= 0, or auto");
    if (!line.memoryLimit.empty()) {
        run.memoryLimit = parseBytes(line.memoryLimit);
    }
    if (!line.encoding.empty()) {
        run.encoding = parseAudioEncoding(line.encoding);
    }
    run.blockPath = blockPath;
    return run;
}

}  // namespace quorbelin::cli
