// Whole propagations as the stand-in host runs them: registration, widths,
// complexity and sample times proposed from what is connected, then the
// sample-time check.
#include <limits>

#include "host/simulation.h"
#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Connections;
using vostrel::PortSignal;

const double inf = std::numeric_limits<double>::infinity();

vostrel::SettledPorts negotiateWith(const Settings& settings, const Connections& connections) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues(settings));
    return vostrel::negotiate(blockLibrary(), block, connections);
}

TEST(Negotiation, FrameBasedStereo) {
    const Connections connections{
        .inputs = {{.width = 8, .complexity = 0, .period = 0.125},
                   {.width = -1, .complexity = 0, .period = 0.125}},
    };
    const auto ports = negotiateWith({.numChannels = 2}, connections);
    EXPECT_EQ(ports.inputs[0].width, 8);
    EXPECT_EQ(ports.inputs[1].width, 4);
    EXPECT_EQ(ports.outputs[0].width, 8);
    EXPECT_FALSE(ports.outputs[0].complex);
    EXPECT_EQ(ports.inputs[0].period, 0.125);
}

TEST(Negotiation, PerChannelStereo) {
    const Connections connections{
        .inputs = {{.width = 8, .complexity = 0, .period = 0.125},
                   {.width = 2, .complexity = 0, .period = 0.125}},
    };
    const auto ports = negotiateWith({.numChannels = 2, .perChannelDelay = 1}, connections);
    EXPECT_EQ(ports.inputs[1].width, 2);
    EXPECT_EQ(ports.outputs[0].width, 8);
}

TEST(Negotiation, ConstantDelayInput) {
    const Connections connections{
        .inputs = {{.width = 3, .complexity = 0, .period = 0.01, .offset = 0.0},
                   {.width = 1, .complexity = 0, .period = inf}},
    };
    const auto ports = negotiateWith({.numChannels = 3}, connections);
    EXPECT_EQ(ports.inputs[1].width, 1);
    EXPECT_EQ(ports.inputs[0].period, 0.01);
}

TEST(Negotiation, ComplexInputMakesAComplexOutput) {
    const Connections connections{
        .inputs = {{.width = 4, .complexity = 1, .period = 1.0},
                   {.width = 4, .complexity = 0, .period = 1.0}},
    };
    const auto ports = negotiateWith({}, connections);
    EXPECT_TRUE(ports.outputs[0].complex);
    EXPECT_EQ(ports.outputs[0].width, 4);
}

TEST(Negotiation, AWidthMismatchStopsWithTheBlocksMessage) {
    const Connections connections{
        .inputs = {{.width = 8, .complexity = 0, .period = 0.5},
                   {.width = 1, .complexity = 0, .period = 0.5}},
    };
    try {
        negotiateWith({.numChannels = 3}, connections);
        FAIL() << "negotiation passed";
    } catch (const vostrel::SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_STREQ(error.what(), "Input port width must be a multiple of the number of channels");
    }
}

TEST(Negotiation, DifferingInputRatesStopAtTheCheck) {
    const Connections connections{
        .inputs = {{.width = 2, .complexity = 0, .period = 0.5},
                   {.width = 2, .complexity = 0, .period = 0.25}},
    };
    try {
        negotiateWith({}, connections);
        FAIL() << "negotiation passed";
    } catch (const vostrel::SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_STREQ(error.what(), "Sample times of all input ports which are not constant should be identical.");
    }
}

TEST(Negotiation, AComplexOutputForARealInputIsRefused) {
    const Connections connections{
        .inputs = {{.width = 2, .complexity = 0, .period = 0.5},
                   {.width = 2, .complexity = 0, .period = 0.5}},
        .outputs = {PortSignal{.width = -1, .complexity = 1, .period = -1.0}},
    };
    try {
        negotiateWith({}, connections);
        FAIL() << "negotiation passed";
    } catch (const vostrel::SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_TRUE(std::string(error.what()).starts_with("Output must be")) << error.what();
    }
}

}  // namespace
}  // namespace quorbelin::testing
