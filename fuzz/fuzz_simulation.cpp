// A whole simulation in the stand-in host from fuzzed parameters, connected
// signals, data and delays: it is refused with a message or it runs, and
// while it runs, finite data, taps and delays (any number, NaN aside) give
// finite outputs.
#include <cstdlib>

#include "fuzz/fuzz_block_parameters.h"
#include "host/simulation.h"

namespace {

const vostrel::BlockLibrary& block() {
    static const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    return library;
}

vostrel::PortSignal signal(FuzzedDataProvider& bytes, bool delayPort) {
    vostrel::PortSignal port;
    port.width = bytes.ConsumeIntegralInRange<int32_t>(-1, 16);
    port.complexity = delayPort ? bytes.ConsumeIntegralInRange<int32_t>(-1, 0) : bytes.ConsumeIntegralInRange<int32_t>(-1, 1);
    port.period = bytes.ConsumeBool() ? 1.0 : bytes.ConsumeFloatingPointInRange<double>(0.0, 4.0);
    return port;
}

bool allFinite(const vostrel::Array& array) {
    const double* real = kvGetPr(array.get());
    const double* imag = kvGetPi(array.get());
    for (int32_t i = 0; i < kvGetNumberOfElements(array.get()); ++i) {
        if ((real && !std::isfinite(real[i])) || (imag && !std::isfinite(imag[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider bytes(data, size);
    std::vector<vostrel::Array> parameters = quorbelin::fuzzing::blockParameters(bytes, false);
    // Delay lines of gigabytes are the host's to refuse or allocate, not
    // what this target explores: keep the maximum delay small.
    double* maxDelay = kvGetPr(parameters[0].get());
    if (std::isfinite(*maxDelay) && *maxDelay > 4096.0) {
        *maxDelay = 4096.0;
    }
    const bool finiteSetting = allFinite(parameters[1]) && allFinite(parameters[2]);
    vostrel::Connections connections;
    connections.inputs = {signal(bytes, false), signal(bytes, true)};
    connections.inputs[1].period = connections.inputs[0].period;
    std::unique_ptr<vostrel::Simulation> simulation;
    try {
        simulation = std::make_unique<vostrel::Simulation>(block(), std::move(parameters), connections);
    } catch (const vostrel::SimulationError&) {
        return 0;  // refused, with a message
    }
    const vostrel::SettledPorts& ports = simulation->ports();
    std::vector<double> in(ports.inputs[0].values());
    std::vector<double> delays(ports.inputs[1].values());
    std::vector<double> out(ports.outputs[0].values());
    while (bytes.remaining_bytes() > 0) {
        for (double& value : in) {
            value = bytes.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
        }
        bool delaysNumbers = true;
        for (double& delay : delays) {
            delay = quorbelin::fuzzing::awkwardDouble(bytes);
            delaysNumbers = delaysNumbers && !std::isnan(delay);
        }
        try {
            simulation->step({in, delays}, {out});
        } catch (const vostrel::SimulationError&) {
            std::abort();  // the output computation stores no message once started
        }
        if (finiteSetting && delaysNumbers) {
            for (double value : out) {
                if (!std::isfinite(value)) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
