#include "cli/info_command.h"

#include <cmath>
#include <map>

#include "cli/block_location.h"
#include "cli/errors.h"
#include "config/parameters.h"
#include "host/vostrel_host.h"

namespace quorbelin::cli {

namespace {

const std::map<int, const char*>& sizeWordNames() {
    static const std::map<int, const char*> names = {
        {numOutputPorts, "numOutputPorts"}, {numInputPorts, "numInputPorts"},
        {methodArgument, "methodArgument"}, {numSampleTimes, "numSampleTimes"},
        {numParams, "numParams"},           {recordVersion, "recordVersion"},
        {options, "options"},               {portFlags, "portFlags"},
    };
    return names;
}

std::string widthText(int32_t width) {
    return width == DYNAMICALLY_SIZED ? "dynamically sized" : "width " + std::to_string(width);
}

std::string complexityText(int32_t complexity) {
    switch (complexity) {
        case COMPLEXITY_INHERITED: return "complexity inherited";
        case COMPLEXITY_REAL: return "real";
        case COMPLEXITY_COMPLEX: return "complex";
        default: return "complexity " + std::to_string(complexity);
    }
}

std::string periodText(double period) {
    if (period == -1.0) {
        return "sample time inherited";
    }
    if (std::isinf(period) && period > 0) {
        return "constant sample time";
    }
    return "sample period " + std::to_string(period);
}

std::vector<vostrel::Array> infoParameters(const BlockParameterOptions& given) {
    BlockParameters parameters;
    parameters.filter = resolveFilter(given.filter);
    parameters.initialConditions = resolveInitialConditions(given.initialConditions);
    parameters.channels = given.channels.value_or(-1.0);
    parameters.perChannel = given.perChannel;
    std::vector<vostrel::Array> arrays = toHostArrays(parameters);
    arrays[maxDelayParameter] =
        given.maxDelay ? vostrel::Array::scalar(*given.maxDelay) : vostrel::Array::empty();
    return arrays;
}

}  // namespace

void printBlockInfo(const InfoOptions& options, std::FILE* out) {
    const vostrel::BlockLibrary library(locateBlockLibrary(options.blockPath));
    vostrel::HostBlock block(library.blockName());
    block.setParameters(infoParameters(options.parameters));
    const vostrel::SizeQueryResult answer = vostrel::registerBlock(library, block);
    if (answer.abandoned) {
        throw BlockError(answer.message);
    }
    const BlockRecord& record = block.record();
    const BlockRecord& root = record.root != nullptr ? *record.root : record;
    if (root.errorMessage != nullptr) {
        throw BlockError(root.errorMessage);
    }

    std::fprintf(out, "block \"%s\" from %s\n\n", library.blockName().c_str(), library.path().c_str());
    std::fprintf(out, "size query (SizesVector, 38 words; those not listed are 0):\n");
    for (std::size_t i = 0; i < answer.sizes.size(); ++i) {
        if (answer.sizes[i] == 0.0) {
            continue;
        }
        const auto name = sizeWordNames().find(static_cast<int>(i));
        std::fprintf(out, "  [%2zu] %-16s %.17g\n", i, name != sizeWordNames().end() ? name->second : "",
                     answer.sizes[i]);
    }

    std::fprintf(out, "\ndeclared ports:\n");
    static const char* const inputNames[] = {"data", "delay"};
    for (int32_t p = 0; p < record.sizes[numInputPorts]; ++p) {
        const InputPortRecord& port = record.inputPorts[p];
        std::fprintf(out, "  input %d%s: %s, %s, %s, %s\n", p,
                     p < 2 ? (std::string(" (") + inputNames[p] + ")").c_str() : "", widthText(port.width).c_str(),
                     complexityText(port.complexity).c_str(),
                     port.directFeedthrough != 0 ? "direct feedthrough" : "no direct feedthrough",
                     periodText(port.samplePeriod).c_str());
    }
    for (int32_t p = 0; p < record.sizes[numOutputPorts]; ++p) {
        const OutputPortRecord& port = record.outputPorts[p];
        std::fprintf(out, "  output %d: %s, %s, %s\n", p, widthText(port.width).c_str(),
                     complexityText(port.complexity).c_str(), periodText(port.samplePeriod).c_str());
    }

    const int32_t maxDelay = maxDelaySamples(&record);
    const int32_t halfLength = filterHalfLength(&record);
    const int32_t channels = numChannelsSetting(&record);
    std::fprintf(out, "\nparameters as the block reads them:\n");
    std::fprintf(out, "  maximum delay     %d samples\n", maxDelay);
    if (filterRows(&record) == 0) {
        std::fprintf(out, "  interpolation     linear\n");
    } else {
        std::fprintf(out, "  interpolation     polyphase FIR, %d taps x %d phases (H = %d)\n", filterRows(&record),
                     kvGetN(parameter(&record, interpFilterParameter)), halfLength);
    }
    std::fprintf(out, "  buffer length     %lld entries per channel\n",
                 static_cast<long long>(maxDelay) + halfLength + 1);
    if (channels == channelsFromPortWidth) {
        std::fprintf(out, "  channels          one per element of the data port (frame size 1)\n");
    } else {
        std::fprintf(out, "  channels          %d (frame size: data port width / %d)\n", channels, channels);
    }
    std::fprintf(out, "  delay mode        %s\n",
                 perChannelDelayMode(&record) ? "per channel (delay port: one value per channel)"
                                              : "per sample (delay port: one value per frame sample)");
}

}  // namespace quorbelin::cli
