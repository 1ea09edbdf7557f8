// `quorbelin design-filter`: writes a built-in polyphase design as a CSV
// matrix that --filter accepts; `design-filter auto` first chooses the
// cheapest design that meets an SNR over a band (see design_search.h).
#ifndef QUORBELIN_CLI_DESIGN_COMMAND_H
#define QUORBELIN_CLI_DESIGN_COMMAND_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace quorbelin::cli {

struct DesignOptions {
    std::string design;  // a design string, "auto" or "auto:DB:B"
    std::string output;  // CSV file; empty or "-" for standard output
    // For "auto":
    std::optional<double> snrDb;
    std::optional<double> band;
    std::string family = "any";
    std::optional<int32_t> maxTaps;
    std::optional<int32_t> maxPhases;
    std::string maxBytes;  // a whole number of bytes, or with a K, M or G suffix (binary)
};

// Adds the subcommand and its options to the tool's command line.
CLI::App* addDesignCommand(CLI::App& app, DesignOptions& options);

// Writes the design's matrix; for auto, the chosen design and its analysis
// go to `notes`. Throws UsageError, FileError or UnreachableDesign.
void writeFilterDesign(const DesignOptions& options, std::FILE* notes);

}  // namespace quorbelin::cli

#endif
