#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/demo_command.h"
#include "cli/design_command.h"
#include "cli/errors.h"
#include "cli/info_command.h"
#include "cli/parameter_options.h"
#include "cli/run_options.h"
#include "cli/validate_command.h"
#include "host/vostrel_host.h"

#ifndef QUORBELIN_VERSION
#define QUORBELIN_VERSION "unknown"
#endif

namespace quorbelin::cli {

namespace {

constexpr const char* programName = "quorbelin";

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
    RunCommandLine run;
    CLI::App* runCommand = addRunCommand(app, run);

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
            runDelay(toRunOptions(run, blockPath));
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
