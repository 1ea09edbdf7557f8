#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/demo_command.h"
#include "cli/design_command.h"
#include "cli/errors.h"
#include "cli/info_command.h"
#include "cli/parse_number.h"
#include "cli/run_command.h"
#include "cli/validate_command.h"
#include "host/vostrel_host.h"

#ifndef QUORBELIN_VERSION
#define QUORBELIN_VERSION "unknown"
#endif

namespace quorbelin::cli {

namespace {

constexpr const char* programName = "quorbelin";

// The block parameters as typed; numbers are parsed after CLI11 so that
// values the block refuses (0, 2.5, nan) still reach the block.
struct ParameterTexts {
    std::string maxDelay;
    std::string filter = "linear";
    std::string initialConditions = "0";
    std::string channels;
    bool perChannel = false;
};

void addParameterOptions(CLI::App& command, ParameterTexts& texts, const std::string& channelsHelp) {
    command.add_option("--max-delay", texts.maxDelay,
                       "Largest delay the block provides, in samples (an integer >= 1); sizes each channel's "
                       "buffer, and longer delays are clamped to it")
        ->type_name("SAMPLES");
    command.add_option("--filter", texts.filter,
                       "Interpolation: linear; a design lagrange:ORDER:PHASES or sinc:TAPS:PHASES[:BETA]; or a "
                       "CSV matrix file, one row per tap and one column per phase")
        ->type_name("FILTER")
        ->capture_default_str();
    command.add_option("--ic", texts.initialConditions,
                       "Initial contents of the delay lines: a number, or a CSV file of one value per channel "
                       "(any rows x columns = channels) or of channels rows x max-delay columns")
        ->type_name("VALUE|FILE.csv")
        ->capture_default_str();
    command.add_option("--channels", texts.channels,
                       channelsHelp)
        ->type_name("N");
    command.add_flag("--per-channel", texts.perChannel,
                     "Per-channel delay mode: one delay per channel for the whole frame, instead of one "
                     "delay per frame sample shared by all channels");
}

std::optional<double> parseOptionalNumber(const std::string& text, const char* option) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<double> value = parseDouble(text);
    if (!value) {
        throw UsageError(std::string(option) + " '" + text + "' is not a number");
    }
    return value;
}

BlockParameterOptions toParameterOptions(const ParameterTexts& texts) {
    BlockParameterOptions options;
    options.maxDelay = parseOptionalNumber(texts.maxDelay, "--max-delay");
    options.filter = texts.filter;
    options.initialConditions = texts.initialConditions;
    options.channels = parseOptionalNumber(texts.channels, "--channels");
    options.perChannel = texts.perChannel;
    return options;
}

void printUsageHint(const std::string& command) {
    std::fprintf(stderr, "Run '%s%s --help' for usage.\n", programName,
                 command.empty() ? "" : (" " + command).c_str());
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"Delays every channel of a signal by a time-varying fractional number of samples, running the "
                 "quorbelin block in a simulation of the Vostrel host.",
                 programName};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string(programName) + " " + QUORBELIN_VERSION);
    std::string blockPath;
    app.add_option("--block", blockPath,
                   "Block library to load (default: quorbelin.so beside the tool, or in the lib folder of its "
                   "installation)")
        ->type_name("PATH");
    app.footer("Examples:\n"
               "  quorbelin demo\n"
               "  quorbelin run voice.wav -o chorus.wav --delay sine:12:4:0.8 --delay-unit ms --filter sinc:32:64\n"
               "  quorbelin run in.csv -o out.csv --delay 2.5\n"
               "Run 'quorbelin COMMAND --help' for a command's options.");

    // run
    RunOptions run;
    ParameterTexts runParameters;
    std::string rateText;
    CLI::App* runCommand = app.add_subcommand("run", "Delay every channel of INPUT and write OUTPUT");
    runCommand->add_option("INPUT", run.input,
                           "Signal to delay: an audio file (WAV, FLAC, AIFF, ...; its channels and rate) or a "
                           ".csv file (one row per time sample, one column per channel)")
        ->required();
    runCommand->add_option("-o,--output", run.output,
                           "Where to write the delayed signal: .csv, or audio (.wav, .aiff, .caf, ...) in a "
                           "floating-point format, at the input's rate")
        ->required()
        ->type_name("OUTPUT");
    runCommand->add_option("--delay", run.delay,
                           "The delay: a number (constant); sine:MEAN:DEPTH:HZ (modulated: MEAN + DEPTH sin(2 pi "
                           "HZ t)); or a CSV file of values over time (one column, one row per time sample; "
                           "with --per-channel one column per channel, one row per frame)")
        ->required()
        ->type_name("DELAY");
    runCommand->add_option("--delay-unit", run.delayUnit, "Unit of the delay values: samples, ms or s")
        ->check(CLI::IsMember({"samples", "ms", "s"}))
        ->capture_default_str();
    addParameterOptions(*runCommand, runParameters,
                        "Number of channels: the input's channel count (the default), or -1 to make every element "
                        "of the data port a channel of its own (frame 1)");
    runCommand->add_option("--frame", run.frame,
                           "Samples per channel per sample hit; the data port is channels x FRAME wide, the last "
                           "frame is padded with zeros and the output trimmed to the input's length")
        ->capture_default_str()
        ->type_name("F");
    runCommand->add_option("--rate", rateText, "Sample rate of a CSV input in Hz (for ms, s, sine delays and audio output)")
        ->type_name("HZ");
    runCommand->add_flag("--complex", run.complex,
                         "CSV input is complex: two columns per channel, real then imaginary");
    runCommand->add_option("--plot", run.plot,
                           "Also draw input, output and delay over time for the first channels (gnuplot)")
        ->type_name("FILE.png|FILE.svg");
    runCommand->add_flag("-q,--quiet", run.quiet, "No progress bar");
    runCommand->footer("Example:\n"
                       "  quorbelin run in.wav -o out.wav --delay sine:5:2:0.5 --delay-unit ms --filter "
                       "sinc:32:64 --plot out.png\n"
                       "  quorbelin run iq.csv -o late.csv --complex --delay delays.csv --max-delay 64");

    // demo
    DemoOptions demo;
    CLI::App* demoCommand = app.add_subcommand(
        "demo", "Delay a built-in stereo test signal with linear and windowed-sinc interpolation and compare");
    demoCommand->add_option("--out", demo.folder, "Folder for the audio, CSV and plot files")
        ->capture_default_str()
        ->type_name("DIR");
    demoCommand->footer("Example:\n  quorbelin demo --out /tmp/quorbelin-demo");

    // design-filter
    std::string design;
    std::string designOutput;
    CLI::App* designCommand = app.add_subcommand(
        "design-filter", "Write a polyphase interpolation filter (column p serves the fraction p/PHASES) as CSV");
    designCommand->add_option("DESIGN", design,
                              "lagrange:ORDER:PHASES (exact for polynomials up to ORDER, ORDER + 1 taps) or "
                              "sinc:TAPS:PHASES[:BETA] (Kaiser-windowed sinc, BETA 8 by default)")
        ->required();
    designCommand->add_option("-o,--output", designOutput, "CSV file to write (default: standard output)")
        ->type_name("FILE.csv");
    designCommand->footer("Example:\n  quorbelin design-filter sinc:32:64 -o sinc.csv\n"
                          "  quorbelin run in.wav -o out.wav --delay 3.3 --filter sinc.csv");

    // info
    ParameterTexts infoParameters;
    InfoOptions info;
    CLI::App* infoCommand = app.add_subcommand(
        "info", "Show what a host sees of the block: its size-query answer, parameter shapes, ports as declared "
                "and as settled by propagation, and the work vectors it declares");
    addParameterOptions(*infoCommand, infoParameters,
                        "Number of channels, or -1 (the default here) to make every element of the data port a "
                        "channel of its own");
    infoCommand->add_option("--frame", info.frame, "Samples per channel per sample hit (the data port is channels x "
                                                   "FRAME wide)")
        ->capture_default_str()
        ->type_name("F");
    infoCommand->add_flag("--complex", info.complex, "The data signal is complex");
    infoCommand->add_option("--param", info.values,
                            "A parameter value of another block (--block), once per parameter in order: a number "
                            "or a CSV matrix file; replaces the delay block's options")
        ->allow_extra_args(false)
        ->type_name("VALUE");
    infoCommand->add_option("--input", info.inputs,
                            "What feeds input port 0, 1, ... (once per input port, in order): WIDTH[,real|complex]"
                            "[,PERIOD]; by default the delay block's data and delays, or width 1, real, period 1")
        ->allow_extra_args(false)
        ->type_name("SIGNAL");
    infoCommand->add_flag("--json", info.json,
                          "Print one JSON object: block, sizes (38 numbers), parameters, declaredPorts, ports "
                          "(width, complexity, samplePeriod of each), workVectors and message (null or the "
                          "block's text); the exit status is 1 when message is not null");
    infoCommand->footer("Examples:\n  quorbelin info --max-delay 100 --filter sinc:32:64 --channels 2\n"
                        "  quorbelin info --block build/gain.so --param 2.5 --input 4,complex --json");

    ValidateOptions validate;
    CLI::App* validateCommand = addValidateCommand(app, validate);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error);
        }
        std::fprintf(stderr, "%s: %s\n", programName, error.what());
        const auto chosen = app.get_subcommands();
        printUsageHint(chosen.empty() ? "" : chosen.front()->get_name());
        return exitUsage;
    }

    std::string commandName;
    try {
        if (runCommand->parsed()) {
            commandName = "run";
            run.parameters = toParameterOptions(runParameters);
            run.rate = parseOptionalNumber(rateText, "--rate");
            run.blockPath = blockPath;
            runDelay(run);
        } else if (demoCommand->parsed()) {
            commandName = "demo";
            demo.blockPath = blockPath;
            runDemo(demo, stdout);
        } else if (designCommand->parsed()) {
            commandName = "design-filter";
            writeFilterDesign(design, designOutput);
        } else if (infoCommand->parsed()) {
            commandName = "info";
            const bool delayBlockOptions = !infoParameters.maxDelay.empty() || infoParameters.filter != "linear" ||
                                           infoParameters.initialConditions != "0" ||
                                           !infoParameters.channels.empty() || infoParameters.perChannel;
            if (!info.values.empty() && delayBlockOptions) {
                throw UsageError("--param gives every parameter of the block; it cannot be combined with "
                                 "--max-delay, --filter, --ic, --channels or --per-channel");
            }
            info.parameters = toParameterOptions(infoParameters);
            info.blockPath = blockPath;
            const int status = printBlockInfo(info, stdout);
            if (status != 0) {
                std::fflush(stdout);
                return status;
            }
        } else if (validateCommand->parsed()) {
            commandName = "validate";
            return runValidate(validate, stdout);
        }
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n", programName, error.what());
        printUsageHint(commandName);
        return exitUsage;
    } catch (const std::exception& error) {
        // Block and host messages, and file problems, as they stand.
        std::fprintf(stderr, "%s: %s\n", programName, error.what());
        return exitFailure;
    }
    // A report that did not reach its reader (a full disk, a closed pipe) is
    // a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "%s: standard output: write failed\n", programName);
        return exitFailure;
    }
    return 0;
}

}  // namespace quorbelin::cli
