#include "cli/parameter_options.h"

#include "cli/errors.h"
#include "cli/parse_number.h"

namespace quorbelin::cli {

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

}  // namespace quorbelin::cli
