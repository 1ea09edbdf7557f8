// Registration and propagation: the host proposes what it knows of the
// connected signals, lets the block fill in and check the rest, and refuses
// to run a block whose ports are still not settled.
#include <cmath>
#include <string>

#include "host/method_runner.h"
#include "host/simulation.h"

namespace vostrel {
namespace {

constexpr int32_t dataPort = 0;
constexpr int32_t delayPort = 1;
constexpr int32_t outputPort = 0;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

void validateSignal(const PortSignal& signal, const std::string& what) {
    if (signal.width < -1 || signal.width == 0) {
        throw SimulationError("the signal connected to " + what + " has an invalid width (" +
                                  std::to_string(signal.width) + "); give a positive width or -1 for unknown",
                              false);
    }
    if (signal.complexity < -1 || signal.complexity > 1) {
        throw SimulationError("the signal connected to " + what + " has an invalid complexity (" +
                                  std::to_string(signal.complexity) + "); give 0 real, 1 complex or -1 unknown",
                              false);
    }
    const bool periodValid = signal.period == -1.0 || signal.period == INFINITY ||
                             (std::isfinite(signal.period) && signal.period >= 0.0);
    if (!periodValid || !std::isfinite(signal.offset)) {
        throw SimulationError("the signal connected to " + what +
                                  " has an invalid sample time; give a period of 0 or more, +inf "
                                  "for a constant, or -1 for unknown, and a finite offset",
                              false);
    }
}

// After registration the host needs the ports it connects and port-based
// sample times, the only kind it propagates.
void checkDeclaration(const BlockLibrary& library, const BlockRecord& record) {
    const int32_t inputs = record.sizes[numInputPorts];
    const int32_t outputs = record.sizes[numOutputPorts];
    if (inputs != 2 || outputs != 1 || record.inputPorts == nullptr || record.outputPorts == nullptr) {
        throw SimulationError("block " + quoted(library.blockName()) + " declared " + std::to_string(inputs) +
                                  " input and " + std::to_string(outputs) +
                                  " output ports; the host connects 2 inputs (data, delay) and 1 output",
                              false);
    }
    if (record.sizes[numSampleTimes] != PORT_BASED_SAMPLE_TIMES) {
        throw SimulationError("block " + quoted(library.blockName()) +
                                  " does not declare port-based sample times, the only kind this host propagates",
                              false);
    }
}

// A width or a complexity, when the connection knows it (-1: unknown).
void proposeValue(const BlockLibrary& library, HostBlock& block, MethodCode code, int32_t port, int32_t value) {
    if (value != -1) {
        runMethod(library, block, code, MethodArgs{.port = port, .value = value});
    }
}

void proposeSampleTime(const BlockLibrary& library, HostBlock& block, MethodCode code, int32_t port,
                       const PortSignal& signal) {
    if (signal.period != -1.0) {
        runMethod(library, block, code, MethodArgs{.port = port, .period = signal.period, .offset = signal.offset});
    }
}

void refuseIfUnknown(bool unknown, const BlockLibrary& library, const std::string& property,
                     const std::string& port) {
    if (unknown) {
        throw SimulationError("cannot run block " + quoted(library.blockName()) + ": the " + property + " of " +
                                  port + " is still unknown after propagation; connect a signal whose " +
                                  property + " is known",
                              false);
    }
}

}  // namespace

SettledPorts negotiate(const BlockLibrary& library, HostBlock& block, const Connections& connections) {
    validateSignal(connections.data, "the data port (input port 0)");
    validateSignal(connections.delay, "the delay port (input port 1)");
    const PortSignal output = connections.output.value_or(PortSignal{});
    validateSignal(output, "output port 0");

    // Only what this negotiation's calls store may stop it.
    clearError(block);
    SizeQueryResult registration;
    try {
        registration = registerBlock(library, block);
    } catch (const HostError& error) {
        throw SimulationError(error.what(), false);
    }
    if (registration.abandoned) {
        throw SimulationError(registration.message, true);
    }
    const BlockRecord& record = block.record();
    if (record.root->errorMessage != nullptr) {
        throw SimulationError(record.root->errorMessage, true);
    }
    checkDeclaration(library, record);

    // Widths, then complexity, then sample times; inputs before the output,
    // the data port before the delay port.
    proposeValue(library, block, inputWidthCode, dataPort, connections.data.width);
    proposeValue(library, block, inputWidthCode, delayPort, connections.delay.width);
    proposeValue(library, block, outputWidthCode, outputPort, output.width);

    proposeValue(library, block, inputComplexSignalCode, dataPort, connections.data.complexity);
    proposeValue(library, block, outputComplexSignalCode, outputPort, output.complexity);
    // A port whose complexity the block fixed (the delay port is real) takes
    // no proposal: the connected signal must match it.
    const int32_t delayComplexity = record.inputPorts[delayPort].complexity;
    if (delayComplexity == COMPLEXITY_INHERITED) {
        proposeValue(library, block, inputComplexSignalCode, delayPort, connections.delay.complexity);
    } else if (connections.delay.complexity != -1 && connections.delay.complexity != delayComplexity) {
        throw SimulationError("cannot run block " + quoted(library.blockName()) + ": a " +
                                  (connections.delay.complexity == COMPLEXITY_COMPLEX ? "complex" : "real") +
                                  " signal is connected to the delay port (input port 1), which takes " +
                                  (delayComplexity == COMPLEXITY_COMPLEX ? "complex" : "real") + " values only",
                              false);
    }

    proposeSampleTime(library, block, inputSampleTimeCode, dataPort, connections.data);
    proposeSampleTime(library, block, inputSampleTimeCode, delayPort, connections.delay);
    proposeSampleTime(library, block, outputSampleTimeCode, outputPort, output);

    const InputPortRecord& data = record.inputPorts[dataPort];
    const InputPortRecord& delay = record.inputPorts[delayPort];
    const OutputPortRecord& out = record.outputPorts[outputPort];
    const std::string dataName = "the data port (input port 0)";
    const std::string delayName = "the delay port (input port 1)";
    const std::string outputName = "output port 0";
    refuseIfUnknown(data.width < 0, library, "width", dataName);
    refuseIfUnknown(delay.width < 0, library, "width", delayName);
    refuseIfUnknown(out.width < 0, library, "width", outputName);
    refuseIfUnknown(data.complexity < 0, library, "complexity", dataName);
    refuseIfUnknown(delay.complexity < 0, library, "complexity", delayName);
    refuseIfUnknown(out.complexity < 0, library, "complexity", outputName);
    if (data.complexity != out.complexity) {
        throw SimulationError("cannot run block " + quoted(library.blockName()) +
                                  ": the data port and output port 0 settled on different complexity",
                              false);
    }
    refuseIfUnknown(data.samplePeriod == -1.0, library, "sample time", dataName);
    refuseIfUnknown(delay.samplePeriod == -1.0, library, "sample time", delayName);
    refuseIfUnknown(out.samplePeriod == -1.0, library, "sample time", outputName);

    runMethod(library, block, checkSampleTimesCode);

    block.setSampleTime(data.samplePeriod, data.sampleOffset);
    SettledPorts settled;
    settled.dataWidth = data.width;
    settled.delayWidth = delay.width;
    settled.outputWidth = out.width;
    settled.complex = data.complexity == COMPLEXITY_COMPLEX;
    settled.period = data.samplePeriod;
    settled.offset = data.sampleOffset;
    return settled;
}

}  // namespace vostrel
