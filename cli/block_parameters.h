// The block's five parameters as the user gives them on the command line,
// and their host arrays. The tool converts and reads files here but judges
// no value: the block validates its parameters and its message is the one
// the user sees.
#ifndef QUORBELIN_CLI_BLOCK_PARAMETERS_H
#define QUORBELIN_CLI_BLOCK_PARAMETERS_H

#include <optional>
#include <string>
#include <vector>

#include "cli/matrix.h"
#include "host/vostrel_host.h"

namespace quorbelin::cli {

struct BlockParameterOptions {
    std::optional<double> maxDelay;  // samples
    std::string filter = "linear";   // linear, a design string or a CSV file
    std::string initialConditions = "0";  // a number or a CSV file
    std::optional<double> channels;  // the input's channel count when not given; -1 per element
    bool perChannel = false;
};

struct BlockParameters {
    double maxDelay = 1.0;
    std::optional<Matrix> filter;  // nothing: linear interpolation
    Matrix initialConditions;
    double channels = 1.0;
    bool perChannel = false;
};

// "linear" gives nothing; a design string its matrix; anything else is read
// as a CSV matrix file (one column per phase). UsageError or FileError.
std::optional<Matrix> resolveFilter(const std::string& text);

// A number gives a 1 x 1 matrix; anything else is read as a CSV matrix
// (FileError), a text that is neither is a UsageError naming the option.
Matrix resolveMatrixParameter(const std::string& text, const std::string& option);
Matrix resolveInitialConditions(const std::string& text);

// maxDelay, interpFilter, initialConditions, numChannels, perChannelDelay.
std::vector<vostrel::Array> toHostArrays(const BlockParameters& parameters);

}  // namespace quorbelin::cli

#endif
