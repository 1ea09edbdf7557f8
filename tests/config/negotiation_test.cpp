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
        .data = {.width = 8, .complexity = 0, .period = 0.125},
        .delay = {.width = -1, .complexity = 0, .period = 0.125},
    };
    const auto ports = negotiateWith({.numChannels = 2}, connections);
    EXPECT_EQ(ports.dataWidth, 8);
    EXPECT_EQ(ports.delayWidth, 4);
    EXPECT_EQ(ports.outputWidth, 8);
    EXPECT_FALSE(ports.complex);
    EXPECT_EQ(ports.period, 0.125);
}

TEST(Negotiation, PerChannelStereo) {
    const Connections connections{
        .data = {.width = 8, .complexity = 0, .period = 0.125},
        .delay = {.width = 2, .complexity = 0, .period = 0.125},
    };
    const auto ports = negotiateWith({.numChannels = 2, .perChannelDelay = 1}, connections);
    EXPECT_EQ(ports.delayWidth, 2);
    EXPECT_EQ(ports.outputWidth, 8);
}

TEST(Negotiation, ConstantDelayInput) {
    const Connections connections{
        .data = {.width = 3, .complexity = 0, .period = 0.01, .offset = 0.0},
        .delay = {.width = 1, .complexity = 0, .period = inf},
    };
    const auto ports = negotiateWith({.numChannels = 3}, connections);
    EXPECT_EQ(ports.delayWidth, 1);
    EXPECT_EQ(ports.period, 0.01);
}

TEST(Negotiation, ComplexInputMakesAComplexOutput) {
    const Connections connections{
        .data = {.width = 4, .complexity = 1, .period = 1.0},
        .delay = {.width = 4, .complexity = 0, .period = 1.0},
    };
    const auto ports = negotiateWith({}, connections);
    EXPECT_TRUE(ports.complex);
    EXPECT_EQ(ports.outputWidth, 4);
}

TEST(Negotiation, AWidthMismatchStopsWithTheBlocksMessage) {
    const Connections connections{
        .data = {.width = 8, .complexity = 0, .period = 0.5},
        .delay = {.width = 1, .complexity = 0, .period = 0.5},
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
        .data = {.width = 2, .complexity = 0, .period = 0.5},
        .delay = {.width = 2, .complexity = 0, .period = 0.25},
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
        .data = {.width = 2, .complexity = 0, .period = 0.5},
        .delay = {.width = 2, .complexity = 0, .period = 0.5},
        .output = PortSignal{.width = -1, .complexity = 1, .period = -1.0},
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
