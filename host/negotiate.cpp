// Registration and propagation: the host proposes what it knows of the
// connected signals, lets the block fill in and check the rest, and refuses
// to run a block whose ports are still not settled.
#include <cmath>
#include <string>

#include "host/method_runner.h"
#include "host/simulation.h"

namespace vostrel {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string portName(bool input, std::size_t port) {
    return (input ? "input port " : "output port ") + std::to_string(port);
}

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

// After registration the host needs a connection for every input port,
// none for an output port the block lacks, and port-based sample times,
// the only kind it propagates.
void checkDeclaration(const BlockLibrary& library, const BlockRecord& record, const Connections& connections) {
    const int32_t inputs = record.sizes[numInputPorts];
    const int32_t outputs = record.sizes[numOutputPorts];
    const bool portsMissing = (inputs > 0 && record.inputPorts == nullptr) ||
                              (outputs > 0 && record.outputPorts == nullptr);
    if (inputs < 0 || outputs < 0 || portsMissing) {
        throw SimulationError("block " + quoted(library.blockName()) + " declared " + std::to_string(inputs) +
                                  " input and " + std::to_string(outputs) +
                                  " output ports without port records the host can read",
                              false);
    }
    if (static_cast<std::size_t>(inputs) != connections.inputs.size() ||
        static_cast<std::size_t>(outputs) < connections.outputs.size()) {
        throw SimulationError("block " + quoted(library.blockName()) + " declared " + std::to_string(inputs) +
                                  " input and " + std::to_string(outputs) + " output ports; " +
                                  std::to_string(connections.inputs.size()) + " input and " +
                                  std::to_string(connections.outputs.size()) +
                                  " output connections were given (one per input port, at most one per "
                                  "output port)",
                              false);
    }
    if (record.sizes[numSampleTimes] != PORT_BASED_SAMPLE_TIMES) {
        throw SimulationError("block " + quoted(library.blockName()) +
                                  " does not declare port-based sample times, the only kind this host propagates",
                              false);
    }
}

// What the declaration fixed of one port, before any proposal.
struct DeclaredPort {
    bool widthFixed;
    bool complexityFixed;
    bool sampleTimeFixed;
};

// One port's properties, read afresh from the record at every use: a block
// may not resize its port arrays, but if it does the host notices instead of
// reading freed records.
struct PortState {
    int32_t width;
    int32_t complexity;
    double period;
    double offset;
};

struct PortView {
    bool input;
    std::size_t index;
    PortSignal connected;
    DeclaredPort declared;
};

PortState currentState(const BlockLibrary& library, const BlockRecord& record, const PortView& port) {
    const int32_t count = record.sizes[port.input ? numInputPorts : numOutputPorts];
    const bool present = port.input ? record.inputPorts != nullptr : record.outputPorts != nullptr;
    if (!present || count < 0 || port.index >= static_cast<std::size_t>(count)) {
        throw SimulationError("block " + quoted(library.blockName()) + " removed " +
                                  portName(port.input, port.index) + " during propagation",
                              false);
    }
    if (port.input) {
        const InputPortRecord& in = record.inputPorts[port.index];
        return {in.width, in.complexity, in.samplePeriod, in.sampleOffset};
    }
    const OutputPortRecord& out = record.outputPorts[port.index];
    return {out.width, out.complexity, out.samplePeriod, out.sampleOffset};
}

std::vector<PortView> portViews(const BlockLibrary& library, const BlockRecord& record,
                                const Connections& connections) {
    std::vector<PortView> views;
    const auto add = [&](bool input, std::size_t index, const PortSignal& connected) {
        PortView view{input, index, connected, {}};
        const PortState declared = currentState(library, record, view);
        view.declared = {declared.width != DYNAMICALLY_SIZED, declared.complexity != COMPLEXITY_INHERITED,
                         declared.period != -1.0};
        views.push_back(view);
    };
    for (std::size_t p = 0; p < static_cast<std::size_t>(record.sizes[numInputPorts]); ++p) {
        add(true, p, connections.inputs[p]);
    }
    for (std::size_t p = 0; p < static_cast<std::size_t>(record.sizes[numOutputPorts]); ++p) {
        add(false, p, p < connections.outputs.size() ? connections.outputs[p] : PortSignal{});
    }
    return views;
}

std::string complexityName(int32_t complexity) { return complexity == COMPLEXITY_COMPLEX ? "complex" : "real"; }

[[noreturn]] void refuseContradiction(const BlockLibrary& library, const PortView& port, const std::string& takes,
                                      const std::string& given) {
    throw SimulationError("cannot run block " + quoted(library.blockName()) + ": " + given +
                              " is connected to " + portName(port.input, port.index) + ", which takes " + takes +
                              " only",
                          false);
}

void refuseIfUnknown(bool unknown, const BlockLibrary& library, const std::string& property, const PortView& port) {
    if (unknown) {
        throw SimulationError("cannot run block " + quoted(library.blockName()) + ": the " + property + " of " +
                                  portName(port.input, port.index) +
                                  " is still unknown after propagation; connect a signal whose " + property +
                                  " is known",
                              false);
    }
}

void proposeWidth(const BlockLibrary& library, HostBlock& block, const PortView& port) {
    const int32_t given = port.connected.width;
    if (port.declared.widthFixed) {
        const int32_t width = currentState(library, block.record(), port).width;
        if (given != -1 && given != width) {
            refuseContradiction(library, port, "width " + std::to_string(width),
                                "a signal of width " + std::to_string(given));
        }
    } else if (given != -1) {
        runMethod(library, block, port.input ? inputWidthCode : outputWidthCode,
                  MethodArgs{.port = static_cast<int32_t>(port.index), .value = given});
    }
}

void proposeComplexity(const BlockLibrary& library, HostBlock& block, const PortView& port) {
    const int32_t given = port.connected.complexity;
    if (port.declared.complexityFixed) {
        const int32_t complexity = currentState(library, block.record(), port).complexity;
        if (given != -1 && given != complexity) {
            refuseContradiction(library, port, complexityName(complexity) + " values",
                                "a " + complexityName(given) + " signal");
        }
    } else if (given != -1) {
        runMethod(library, block, port.input ? inputComplexSignalCode : outputComplexSignalCode,
                  MethodArgs{.port = static_cast<int32_t>(port.index), .value = given});
    }
}

void proposeSampleTime(const BlockLibrary& library, HostBlock& block, const PortView& port) {
    const PortSignal& given = port.connected;
    if (port.declared.sampleTimeFixed) {
        const PortState state = currentState(library, block.record(), port);
        if (given.period != -1.0 && (given.period != state.period || given.offset != state.offset)) {
            refuseContradiction(library, port, "its own sample time", "a signal of another sample time");
        }
    } else if (given.period != -1.0) {
        runMethod(library, block, port.input ? inputSampleTimeCode : outputSampleTimeCode,
                  MethodArgs{.port = static_cast<int32_t>(port.index), .period = given.period, .offset = given.offset});
    }
}

}  // namespace

SettledPorts negotiate(const BlockLibrary& library, HostBlock& block, const Connections& connections) {
    for (std::size_t p = 0; p < connections.inputs.size(); ++p) {
        validateSignal(connections.inputs[p], portName(true, p));
    }
    for (std::size_t p = 0; p < connections.outputs.size(); ++p) {
        validateSignal(connections.outputs[p], portName(false, p));
    }

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
    BlockRecord& record = block.record();
    if (record.root->errorMessage != nullptr) {
        throw SimulationError(record.root->errorMessage, true);
    }
    checkDeclaration(library, record, connections);

    // Widths, then complexity, then sample times; in each, the inputs in
    // index order before the outputs.
    const std::vector<PortView> ports = portViews(library, record, connections);
    for (const auto& propose : {proposeWidth, proposeComplexity, proposeSampleTime}) {
        for (const PortView& port : ports) {
            propose(library, block, port);
        }
    }
    for (const PortView& port : ports) {
        const PortState state = currentState(library, record, port);
        refuseIfUnknown(state.width < 0, library, "width", port);
        refuseIfUnknown(state.complexity < 0, library, "complexity", port);
        refuseIfUnknown(state.period == -1.0, library, "sample time", port);
    }

    runMethod(library, block, checkSampleTimesCode);

    SettledPorts settled;
    for (const PortView& port : ports) {
        const PortState state = currentState(library, record, port);
        (port.input ? settled.inputs : settled.outputs)
            .push_back({state.width, state.complexity == COMPLEXITY_COMPLEX, state.period, state.offset});
    }
    const std::vector<SettledPort>& timing = settled.inputs.empty() ? settled.outputs : settled.inputs;
    if (!timing.empty()) {
        block.setSampleTime(timing.front().period, timing.front().offset);
    }
    return settled;
}

void setWorkWidths(const BlockLibrary& library, HostBlock& block) {
    runMethod(library, block, setWorkWidthsCode);
    if (block.workVectorCount() < 0) {
        throw SimulationError("block \"" + library.blockName() +
                                  "\" left its number of work vectors undecided after mdlSetWorkWidths",
                              false);
    }
}

}  // namespace vostrel
