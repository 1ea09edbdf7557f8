// Propagation for a block of any number of ports: connections and settled
// ports by index, the order of the proposals, the host's refusals, and a
// sample hit routed port by port.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/simulation.h"

namespace vostrel {
namespace {

const BlockLibrary& portsBlock() {
    static const BlockLibrary library(HOST_FIXTURE_PORTS_BLOCK);
    return library;
}

std::string propagationLog() {
    void* handle = dlopen(HOST_FIXTURE_PORTS_BLOCK, RTLD_NOW | RTLD_NOLOAD);
    const auto read = reinterpret_cast<const char* (*)()>(dlsym(handle, "fixturePropagationLog"));
    const std::string log = read != nullptr ? read() : "(no log)";
    dlclose(handle);
    return log;
}

std::vector<Array> portCounts(int inputs, int outputs) {
    std::vector<Array> parameters;
    parameters.push_back(Array::scalar(inputs));
    parameters.push_back(Array::scalar(outputs));
    return parameters;
}

TEST(HostPropagation, ThreeInputsTwoOutputsSettleByIndexInTheFixedOrder) {
    HostBlock block(portsBlock().blockName());
    block.setParameters(portCounts(3, 2));
    const Connections connections{
        .inputs = {PortSignal::source(2, false, 0.5), PortSignal::source(3, true, 0.5), PortSignal::constant(4, false)},
        .outputs = {PortSignal::source(2, false, 0.5), PortSignal{.width = 3, .complexity = 1, .period = 0.5}}};
    const SettledPorts ports = negotiate(portsBlock(), block, connections);
    // Widths, complexity, sample times; inputs by index before outputs.
    EXPECT_EQ(propagationLog(),
              "115:0 115:1 115:2 116:0 116:1 120:0 120:1 120:2 121:0 121:1 122:0 122:1 122:2 123:0 123:1");
    ASSERT_EQ(ports.inputs.size(), 3u);
    ASSERT_EQ(ports.outputs.size(), 2u);
    EXPECT_EQ(ports.inputs[1].width, 3);
    EXPECT_TRUE(ports.inputs[1].complex);
    EXPECT_TRUE(std::isinf(ports.inputs[2].period));
    EXPECT_EQ(ports.outputs[1].values(), 6u);
    EXPECT_EQ(block.record().sampleTimes[0], 0.5);  // input port 0's
}

TEST(HostPropagation, ASampleHitIsRoutedPortByPort) {
    const Connections connections{
        .inputs = {PortSignal::source(2, false, 1.0), PortSignal::source(2, false, 1.0)},
        .outputs = {PortSignal::settledWidth(2), PortSignal::settledWidth(2), PortSignal::settledWidth(2)}};
    std::vector<Array> parameters = portCounts(2, 3);
    // Complexity of the outputs is not known from anywhere: the host refuses.
    try {
        Simulation unknown(portsBlock(), portCounts(2, 3), connections);
        FAIL() << "ran with outputs of unknown complexity";
    } catch (const SimulationError& error) {
        EXPECT_NE(std::string(error.what()).find("the complexity of output port 0 is still unknown"),
                  std::string::npos)
            << error.what();
        EXPECT_FALSE(error.fromBlock());
    }
    Connections complete = connections;
    for (PortSignal& output : complete.outputs) {
        output = PortSignal::source(2, false, 1.0);
    }
    Simulation simulation(portsBlock(), std::move(parameters), complete);
    std::vector<double> first(2), second(2), third(2);
    simulation.step({std::vector<double>{1.0, 2.0}, std::vector<double>{10.0, 20.0}}, {first, second, third});
    EXPECT_EQ(first, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(second, (std::vector<double>{20.0, 40.0}));
    EXPECT_EQ(third, (std::vector<double>{3.0, 6.0}));
    // One span per port, each of its size.
    EXPECT_THROW(simulation.step({first}, {first, second, third}), SimulationError);
    EXPECT_THROW(simulation.step({first, std::vector<double>(3)}, {first, second, third}), SimulationError);
}

TEST(HostPropagation, ConnectionsMustMatchTheDeclaredPorts) {
    const auto refusal = [](int inputs, int outputs, const Connections& connections) {
        try {
            Simulation simulation(portsBlock(), portCounts(inputs, outputs), connections);
        } catch (const SimulationError& error) {
            return std::string(error.what());
        }
        return std::string("(ran)");
    };
    const PortSignal signal = PortSignal::source(1, false, 1.0);
    EXPECT_NE(refusal(2, 1, {.inputs = {signal}, .outputs = {}}).find("declared 2 input and 1 output ports; 1 input"),
              std::string::npos);
    EXPECT_NE(refusal(1, 1, {.inputs = {signal}, .outputs = {signal, signal}}).find("2 output connections"),
              std::string::npos);
    EXPECT_NE(refusal(1, 1, {.inputs = {PortSignal{.width = 0}}, .outputs = {}}).find("input port 0 has an invalid width"),
              std::string::npos);
}

}  // namespace
}  // namespace vostrel
