#include "cli/info_command.h"

#include <cmath>

#include "cli/block_location.h"
#include "cli/delay_block_ports.h"
#include "cli/errors.h"
#include "cli/info_report.h"
#include "cli/parse_number.h"
#include "host/simulation.h"

namespace quorbelin::cli {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The delay block's five parameters from its own options.
std::vector<vostrel::Array> delayBlockParameters(const BlockParameterOptions& given) {
    BlockParameters parameters;
    parameters.filter = resolveFilter(given.filter);
    parameters.initialConditions = resolveInitialConditions(given.initialConditions);
    parameters.channels = given.channels.value_or(-1.0);
    parameters.perChannel = given.perChannel;
    std::vector<vostrel::Array> arrays = toHostArrays(parameters);
    arrays.front() = given.maxDelay ? vostrel::Array::scalar(*given.maxDelay) : vostrel::Array::empty();
    return arrays;
}

std::vector<vostrel::Array> parameterArrays(const InfoOptions& options) {
    if (options.values.empty()) {
        return delayBlockParameters(options.parameters);
    }
    std::vector<vostrel::Array> arrays;
    for (const std::string& text : options.values) {
        const Matrix matrix = resolveMatrixParameter(text, "--param");
        arrays.push_back(vostrel::Array::matrix(matrix.rows, matrix.columns, matrix.columnMajor));
    }
    return arrays;
}

// --input WIDTH[,real|complex][,PERIOD]
vostrel::PortSignal parseInput(const std::string& text) {
    const auto usage = [&] {
        return UsageError("--input '" + text + "': expected WIDTH[,real|complex][,PERIOD], e.g. 8,complex,0.001");
    };
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
        fields.push_back(text.substr(start, comma - start));
    }
    fields.push_back(text.substr(start));
    const std::optional<double> width = parseDouble(fields[0]);
    if (fields.size() > 3 || !width || !(*width >= 1.0 && *width <= 2147483647.0) || *width != std::floor(*width)) {
        throw usage();
    }
    vostrel::PortSignal signal = vostrel::PortSignal::source(static_cast<int32_t>(*width), false, 1.0);
    std::size_t next = 1;
    if (next < fields.size() && (fields[next] == "real" || fields[next] == "complex")) {
        signal.complexity = fields[next] == "complex" ? 1 : 0;
        ++next;
    }
    if (next < fields.size()) {
        const std::optional<double> period = parseDouble(fields[next]);
        if (!period || !(*period >= 0.0)) {
            throw usage();
        }
        signal.period = *period;
        ++next;
    }
    if (next != fields.size()) {
        throw usage();
    }
    return signal;
}

// What feeds the inputs: as given; else the delay block's data (channels x
// frame wide) and delays (one per channel, or derived from the frame); else
// for any other block a real width-1 signal of period 1 on every input
// whose declaration leaves a property open.
vostrel::Connections connectionsFor(const InfoOptions& options, const std::vector<DeclaredPort>& declared) {
    vostrel::Connections connections;
    if (!options.inputs.empty()) {
        for (const std::string& text : options.inputs) {
            connections.inputs.push_back(parseInput(text));
        }
        return connections;
    }
    if (options.values.empty()) {
        const double channelSetting = options.parameters.channels.value_or(-1.0);
        const int64_t channels = channelSetting >= 1.0 && channelSetting <= 65536.0
                                     ? static_cast<int64_t>(channelSetting)
                                     : 1;
        const int64_t width = channels * options.frame;
        if (width > 2147483647) {
            throw UsageError("--channels times --frame makes the data port wider than 2^31 - 1 elements");
        }
        const auto data = vostrel::PortSignal::source(static_cast<int32_t>(width), options.complex, 1.0);
        auto delays = vostrel::PortSignal::source(static_cast<int32_t>(channels), false, 1.0);
        if (!options.parameters.perChannel) {
            delays.width = -1;  // the block derives it from the frame size
        }
        return delayBlockConnections(data, delays);
    }
    for (const DeclaredPort& port : declared) {
        vostrel::PortSignal signal = vostrel::PortSignal::source(1, false, 1.0);
        signal.width = port.width == DYNAMICALLY_SIZED ? 1 : -1;
        signal.complexity = port.complexity == COMPLEXITY_INHERITED ? 0 : -1;
        signal.period = port.period == -1.0 ? 1.0 : -1.0;
        connections.inputs.push_back(signal);
    }
    return connections;
}

ArrayShape shapeOf(const vostrel::Array& array) {
    ArrayShape shape;
    const int32_t count = kvGetNumberOfDimensions(array.get());
    const int32_t* dims = kvGetDimensions(array.get());
    shape.dims.assign(dims, dims + count);
    shape.complex = kvIsComplex(array.get()) != 0;
    shape.isDouble = kvIsDouble(array.get()) != 0;
    return shape;
}

// Registration on a host record: the SizesVector and the declared ports.
void readDeclaration(const vostrel::BlockLibrary& library, vostrel::HostBlock& block, InfoReport& report) {
    const std::vector<vostrel::Array>& parameters = block.parameters();
    const vostrel::SizeQueryResult answer = vostrel::registerBlock(library, block);
    if (answer.abandoned) {
        report.message = answer.message;
        return;
    }
    report.sizes = answer.sizes;
    const BlockRecord& record = block.record();
    if (record.root->errorMessage != nullptr) {
        report.message = record.root->errorMessage;
        return;
    }
    const auto given = static_cast<double>(parameters.size());
    if (answer.sizes[numParams] != given) {
        report.message = "block " + quoted(library.blockName()) + " takes " +
                         std::to_string(static_cast<int64_t>(answer.sizes[numParams])) + " parameter(s); " +
                         std::to_string(parameters.size()) +
                         " were given (give each with --param VALUE, a number or a CSV matrix file)";
        return;
    }
    for (int32_t p = 0; p < record.sizes[numInputPorts] && record.inputPorts != nullptr; ++p) {
        const InputPortRecord& port = record.inputPorts[p];
        report.declaredInputs.push_back({port.width, port.complexity, port.samplePeriod, port.sampleOffset});
    }
    for (int32_t p = 0; p < record.sizes[numOutputPorts] && record.outputPorts != nullptr; ++p) {
        const OutputPortRecord& port = record.outputPorts[p];
        report.declaredOutputs.push_back({port.width, port.complexity, port.samplePeriod, port.sampleOffset});
    }
}

// Propagation from the connections, then mdlSetWorkWidths: the settled
// ports and the declared work vectors, read from the record (nothing is
// allocated, so a configuration too large to run is still shown).
void readSettlement(const vostrel::BlockLibrary& library, vostrel::HostBlock& block,
                    const vostrel::Connections& connections, InfoReport& report) {
    try {
        report.settled = vostrel::negotiate(library, block, connections);
        vostrel::setWorkWidths(library, block);
    } catch (const vostrel::SimulationError& error) {
        report.message = error.what();
        return;
    }
    const BlockRecord& record = block.record();
    std::vector<WorkVectorView> vectors;
    for (int32_t i = 0; i < record.numWorkVectors && record.workVectors != nullptr; ++i) {
        const WorkVectorRecord& vector = record.workVectors[i];
        vectors.push_back({vector.width, vector.dataType, vector.complexity == 1});
    }
    report.workVectors = std::move(vectors);
}

}  // namespace

int printBlockInfo(const InfoOptions& options, std::FILE* out) {
    if (options.frame < 1 || options.frame > 2147483647) {
        throw UsageError("--frame must be a whole number of at least 1");
    }
    const vostrel::BlockLibrary library(locateBlockLibrary(options.blockPath));
    InfoReport report;
    report.blockName = library.blockName();
    report.libraryPath = library.path();
    vostrel::HostBlock block(library.blockName());
    block.setParameters(parameterArrays(options));
    for (const vostrel::Array& parameter : block.parameters()) {
        report.parameters.push_back(shapeOf(parameter));
    }
    readDeclaration(library, block, report);
    if (!report.message) {
        // Propagation registers the block afresh on the same record.
        readSettlement(library, block, connectionsFor(options, report.declaredInputs), report);
    }
    if (options.json) {
        printInfoJson(report, out);
        return report.message ? exitFailure : 0;
    }
    if (report.message) {
        throw BlockError(*report.message);
    }
    printInfoText(report, out);
    return 0;
}

}  // namespace quorbelin::cli
