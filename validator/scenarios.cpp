#include "validator/scenarios.h"

#include <cstdio>
#include <cstdlib>

#include "validator/checks.h"
#include "validator/delay_block_scenarios.h"

namespace quorbelin::validator {
namespace {

// The configurations tried on a block the validator does not know: every
// dynamically sized input this wide (or input 0 alone, the others' widths
// left for the block to derive), every inheriting input of this complexity,
// every input whose sample time is inherited at period 1.
struct Fit {
    const char* name;
    int32_t width;
    bool complex;
    bool firstWidthOnly;
};
constexpr Fit fits[] = {{"real inputs of width 4", 4, false, false},
                        {"complex inputs of width 3", 3, true, false},
                        {"real inputs of width 1", 1, false, false},
                        {"real input 0 of width 4, the other widths derived", 4, false, true},
                        {"complex input 0 of width 3, the other widths derived", 3, true, true}};

std::vector<vostrel::Array> arraysOf(const std::vector<ParameterValue>& values) {
    std::vector<vostrel::Array> arrays;
    for (const ParameterValue& value : values) {
        arrays.push_back(value.toArray());
    }
    return arrays;
}

ScenarioSet fittedScenarios(const vostrel::BlockLibrary& library, const std::vector<ParameterValue>& parameters) {
    vostrel::HostBlock probe(library.blockName());
    probe.setParameters(arraysOf(parameters));
    const vostrel::SizeQueryResult registration = vostrel::registerBlock(library, probe);
    const BlockRecord& record = probe.record();
    if (registration.abandoned) {
        throw CheckSkipped("the block's size query was abandoned: " + registration.message);
    }
    if (record.errorMessage != nullptr) {
        throw CheckSkipped("the block refuses the parameter values: " + std::string(record.errorMessage));
    }
    const int32_t inputs = record.sizes[numInputPorts];
    if (inputs < 0 || (inputs > 0 && record.inputPorts == nullptr)) {
        throw CheckSkipped("the block declares no input port records the host can read");
    }
    ScenarioSet set;
    std::string firstRefusal;
    for (const Fit& fit : fits) {
        if (fit.firstWidthOnly && inputs < 2) {
            continue;  // the same as a fit before
        }
        Scenario scenario{.name = fit.name, .parameters = parameters, .connections = {}, .inputRanges = {}};
        for (int32_t p = 0; p < inputs; ++p) {
            const InputPortRecord& port = record.inputPorts[p];
            vostrel::PortSignal signal = vostrel::PortSignal::source(fit.width, fit.complex, 1.0);
            if (port.width != DYNAMICALLY_SIZED) {
                signal.width = port.width;
            } else if (fit.firstWidthOnly && p > 0) {
                signal.width = -1;
            }
            if (port.complexity != COMPLEXITY_INHERITED) {
                signal.complexity = port.complexity;
            }
            if (port.samplePeriod != -1.0) {
                signal.period = port.samplePeriod;
                signal.offset = port.sampleOffset;
            }
            scenario.connections.inputs.push_back(signal);
        }
        try {
            const vostrel::Simulation trial(library, scenario.parameterArrays(), scenario.connections);
            set.scenarios.push_back(std::move(scenario));
        } catch (const std::exception& error) {
            if (firstRefusal.empty()) {
                firstRefusal = std::string(fit.name) + ": " + error.what();
            }
        }
    }
    if (set.scenarios.empty()) {
        throw CheckSkipped("the block runs none of the configurations fitted to its ports (" + firstRefusal + ")");
    }
    return set;
}

}  // namespace

vostrel::Array ParameterValue::toArray() const { return vostrel::Array::matrix(rows, columns, values); }

std::string ParameterValue::serialized() const {
    std::string text = std::to_string(rows) + "x" + std::to_string(columns) + ":";
    for (std::size_t i = 0; i < values.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g", values[i]);
        text += (i == 0 ? "" : ",") + std::string(number);
    }
    return text;
}

std::optional<ParameterValue> ParameterValue::parse(const std::string& text) {
    ParameterValue value;
    char* end = nullptr;
    const char* cursor = text.c_str();
    value.rows = static_cast<int32_t>(std::strtol(cursor, &end, 10));
    if (end == cursor || *end != 'x') {
        return std::nullopt;
    }
    cursor = end + 1;
    value.columns = static_cast<int32_t>(std::strtol(cursor, &end, 10));
    if (end == cursor || *end != ':' || value.rows < 0 || value.columns < 0) {
        return std::nullopt;
    }
    cursor = end + 1;
    while (*cursor != '\0') {
        value.values.push_back(std::strtod(cursor, &end));
        if (end == cursor || (*end != ',' && *end != '\0')) {
            return std::nullopt;
        }
        cursor = *end == ',' ? end + 1 : end;
    }
    if (static_cast<int64_t>(value.values.size()) != static_cast<int64_t>(value.rows) * value.columns) {
        return std::nullopt;
    }
    return value;
}

std::vector<vostrel::Array> Scenario::parameterArrays() const { return arraysOf(parameters); }

ValueRange Scenario::inputRange(std::size_t port) const {
    return port < inputRanges.size() ? inputRanges[port] : ValueRange{};
}

bool hasBuiltInScenarios(const std::string& blockName) { return blockName == delayBlockName; }

ScenarioSet scenariosFor(const vostrel::BlockLibrary& library,
                         const std::optional<std::vector<ParameterValue>>& parameters) {
    if (!parameters) {
        if (hasBuiltInScenarios(library.blockName())) {
            return delayBlockScenarios();
        }
        return fittedScenarios(library, {});
    }
    return fittedScenarios(library, *parameters);
}

}  // namespace quorbelin::validator
