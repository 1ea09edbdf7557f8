// What `quorbelin info` found, and its two forms: text for people, one JSON
// object for scripts.
#ifndef QUORBELIN_CLI_INFO_REPORT_H
#define QUORBELIN_CLI_INFO_REPORT_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/simulation.h"

namespace quorbelin::cli {

struct ArrayShape {
    std::vector<int32_t> dims;
    bool complex = false;
    bool isDouble = true;
};

// A port as the declaration left it, before propagation.
struct DeclaredPort {
    int32_t width = -1;
    int32_t complexity = -1;
    double period = -1.0;
    double offset = 0.0;
};

struct WorkVectorView {
    int32_t width = 0;
    int32_t dataType = 0;
    bool complex = false;
};

struct InfoReport {
    std::string blockName;
    std::string libraryPath;
    std::vector<double> sizes;  // empty: the size query was abandoned
    std::vector<ArrayShape> parameters;
    std::vector<DeclaredPort> declaredInputs;
    std::vector<DeclaredPort> declaredOutputs;
    std::optional<vostrel::SettledPorts> settled;
    std::optional<std::vector<WorkVectorView>> workVectors;
    std::optional<std::string> message;
};

void printInfoText(const InfoReport& report, std::FILE* out);
void printInfoJson(const InfoReport& report, std::FILE* out);

}  // namespace quorbelin::cli

#endif
