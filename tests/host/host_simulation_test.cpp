// Whole simulations of the real block in the stand-in host: propagation from
// what is connected, the host's refusals, release after a failed start, and
// outputs checked against delays worked out by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "host/simulation.h"
#include "tests/support/block_path.h"

namespace vostrel {
namespace {

const BlockLibrary& block() {
    static const BlockLibrary library(quorbelin::testing::blockLibraryPath());
    return library;
}

struct Parameters {
    double maxDelay = 5.0;
    std::vector<double> filter;  // one column; empty: linear interpolation
    double initialCondition = 0.0;
    double numChannels = 2.0;
    double perChannelDelay = 0.0;
};

std::vector<Array> values(const Parameters& p) {
    std::vector<Array> result;
    result.push_back(Array::scalar(p.maxDelay));
    result.push_back(p.filter.empty() ? Array::empty()
                                      : Array::matrix(static_cast<int32_t>(p.filter.size()), 1, p.filter));
    result.push_back(Array::scalar(p.initialCondition));
    result.push_back(Array::scalar(p.numChannels));
    result.push_back(Array::scalar(p.perChannelDelay));
    return result;
}

PortSignal signal(int32_t width, int32_t complexity, double period) {
    return PortSignal{.width = width, .complexity = complexity, .period = period};
}

// Frame-based stereo: 2 channels of 4 samples, one delay per frame sample.
Connections stereo() { return Connections{.inputs = {signal(8, 0, 0.1), signal(4, 0, 0.1)}}; }

SimulationError failureOf(const Parameters& parameters, const Connections& connections) {
    try {
        Simulation simulation(block(), values(parameters), connections);
    } catch (const SimulationError& error) {
        return error;
    }
    return SimulationError("", false);
}

TEST(HostPropagation, FrameBasedStereoSettlesEveryPort) {
    Connections connections = stereo();
    connections.inputs[1].width = -1;  // follows from the frame size
    HostBlock host(block().blockName());
    host.setParameters(values(Parameters{}));
    const SettledPorts ports = negotiate(block(), host, connections);
    EXPECT_EQ(ports.inputs[0].width, 8);
    EXPECT_EQ(ports.inputs[1].width, 4);
    EXPECT_EQ(ports.outputs[0].width, 8);
    EXPECT_FALSE(ports.outputs[0].complex);
    EXPECT_EQ(ports.inputs[0].period, 0.1);
    EXPECT_EQ(host.record().sampleTimes[0], 0.1);
    EXPECT_EQ(host.record().outputPorts[0].samplePeriod, 0.1);
}

TEST(HostPropagation, ConstantDelayInputLeavesTheDataRate) {
    Parameters parameters;
    parameters.perChannelDelay = 1.0;
    const Connections connections{.inputs = {signal(6, 0, 0.5), signal(2, 0, INFINITY)}};
    HostBlock host(block().blockName());
    host.setParameters(values(parameters));
    const SettledPorts ports = negotiate(block(), host, connections);
    EXPECT_EQ(ports.inputs[1].width, 2);
    EXPECT_EQ(ports.inputs[0].period, 0.5);
    EXPECT_EQ(host.record().outputPorts[0].samplePeriod, 0.5);
    EXPECT_TRUE(std::isinf(host.record().inputPorts[1].samplePeriod));
}

TEST(HostPropagation, ComplexDataMakesTheOutputComplex) {
    Connections connections = stereo();
    connections.inputs[0].complexity = 1;
    HostBlock host(block().blockName());
    host.setParameters(values(Parameters{}));
    const SettledPorts ports = negotiate(block(), host, connections);
    EXPECT_TRUE(ports.outputs[0].complex);
    EXPECT_EQ(host.record().outputPorts[0].complexity, 1);
    EXPECT_EQ(host.record().inputPorts[1].complexity, 0);
}

TEST(HostPropagation, OutputSideAloneSettlesTheData) {
    Connections connections{.inputs = {signal(-1, -1, -1.0), signal(4, 0, 0.1)}, .outputs = {signal(8, 0, 0.1)}};
    HostBlock host(block().blockName());
    host.setParameters(values(Parameters{}));
    const SettledPorts ports = negotiate(block(), host, connections);
    EXPECT_EQ(ports.inputs[0].width, 8);
    EXPECT_FALSE(ports.outputs[0].complex);
    EXPECT_EQ(ports.inputs[0].period, 0.1);
}

struct BlockStop {
    const char* name;
    Parameters parameters;
    Connections connections;
    const char* message;
};

TEST(HostPropagation, BlockMessagesStopTheSimulation) {
    Parameters fourChannels;
    fourChannels.numChannels = 4;
    Parameters noDelay;
    noDelay.maxDelay = 0;
    Parameters perChannel;
    perChannel.perChannelDelay = 1;
    Parameters hugeDelay;
    hugeDelay.maxDelay = 2147483647.0;
    const BlockStop cases[] = {
        {"parameter", noDelay, stereo(), "Maximum delay must be a scalar integer > 0"},
        {"channels", fourChannels, {.inputs = {signal(10, 0, 0.1), signal(-1, 0, 0.1)}},
         "Input port width must be a multiple of the number of channels"},
        {"frame size", Parameters{}, {.inputs = {signal(8, 0, 0.1), signal(3, 0, 0.1)}},
         "The width of the delay port must equal the frame size"},
        {"per-channel", perChannel, {.inputs = {signal(8, 0, 0.1), signal(3, 0, 0.1)}},
         "When using per-channel delay mode, the delay port width must equal the number of channels"},
        {"pair", Parameters{}, {.inputs = {signal(8, 0, 0.1), signal(4, 0, 0.1)}, .outputs = {signal(6, 0, 0.1)}},
         "Input/Output port pairs must have the same width"},
        {"complexity", Parameters{}, {.inputs = {signal(8, 1, 0.1), signal(4, 0, 0.1)}, .outputs = {signal(8, 0, 0.1)}},
         "Output must be complex if input is complex."},
        {"output rate", Parameters{}, {.inputs = {signal(8, 0, 0.1), signal(4, 0, 0.1)}, .outputs = {signal(8, 0, 0.2)}},
         "Sample time of first input port and all output ports must be identical."},
        {"input rates", Parameters{}, {.inputs = {signal(8, 0, 0.1), signal(4, 0, 0.3)}},
         "Sample times of all input ports which are not constant should be identical."},
        {"continuous", Parameters{}, {.inputs = {signal(8, 0, 0.0), signal(4, 0, 0.0)}},
         "Inputs to block must have discrete sample times"},
        {"buffer width", hugeDelay, stereo(),
         "The delay buffer is too large: the number of channels times (maximum delay + filter "
         "half-length + 1) must not exceed 2147483647"},
    };
    for (const BlockStop& c : cases) {
        SCOPED_TRACE(c.name);
        const SimulationError error = failureOf(c.parameters, c.connections);
        EXPECT_STREQ(error.what(), c.message);
        EXPECT_TRUE(error.fromBlock());
    }
}

struct HostRefusal {
    const char* name;
    Parameters parameters;
    Connections connections;
    const char* mentions;
};

TEST(HostPropagation, HostRefusesPortsItCannotSettle) {
    Parameters perChannel;
    perChannel.perChannelDelay = 1;
    const HostRefusal cases[] = {
        {"data width", Parameters{}, {.inputs = {signal(-1, 0, 0.1), signal(4, 0, 0.1)}}, "width of input port 0"},
        // Per-channel mode derives nothing for the delay port.
        {"delay width", perChannel, {.inputs = {signal(8, 0, 0.1), signal(-1, 0, 0.1)}}, "width of input port 1"},
        {"complexity", Parameters{}, {.inputs = {signal(8, -1, 0.1), signal(4, 0, 0.1)}}, "complexity of input port 0"},
        {"data rate", Parameters{}, {.inputs = {signal(8, 0, -1.0), signal(4, 0, 0.1)}}, "sample time of input port 0"},
        {"complex delays", Parameters{}, {.inputs = {signal(8, 0, 0.1), signal(4, 1, 0.1)}}, "complex signal is connected to input port 1, which takes real values only"},
        {"bad width", Parameters{}, {.inputs = {signal(0, 0, 0.1), signal(4, 0, 0.1)}}, "invalid width"},
        {"bad period", Parameters{}, {.inputs = {signal(8, 0, NAN), signal(4, 0, 0.1)}}, "invalid sample time"},
    };
    for (const HostRefusal& c : cases) {
        SCOPED_TRACE(c.name);
        const SimulationError error = failureOf(c.parameters, c.connections);
        EXPECT_NE(std::string(error.what()).find(c.mentions), std::string::npos) << error.what();
        EXPECT_FALSE(error.fromBlock());
    }
}

TEST(HostLifeCycle, WorkVectorsBeyondTheMachinesMemoryAreRefused) {
    // One complex channel of 2^31 - 1 entries: 32 GiB of delay line.
    const double bytes = 16.0 * 2147483647.0;
    if (static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE)) >= bytes) {
        GTEST_SKIP() << "this machine could hold the delay line";
    }
    Parameters parameters;
    parameters.maxDelay = 2147483646.0;
    parameters.numChannels = 1;
    const std::size_t before = liveCallocBlocks();
    const SimulationError error =
        failureOf(parameters, Connections{.inputs = {signal(1, 1, 1.0), signal(1, 0, 1.0)}});
    EXPECT_FALSE(error.fromBlock());
    EXPECT_NE(std::string(error.what()).find("cannot allocate work vector 1"), std::string::npos) << error.what();
    EXPECT_EQ(liveCallocBlocks(), before);
}

// Two real channels of 5 + 0 + 1 entries and the 4-byte write index: 100
// bytes. A limit below that refuses before the block starts; at it the
// simulation runs.
TEST(HostLifeCycle, WorkVectorLimitIsCheckedBeforeAllocating) {
    const std::size_t before = liveCallocBlocks();
    try {
        Simulation simulation(block(), values(Parameters{}), stereo(), SimulationLimits{.workVectorBytes = 99});
        ADD_FAILURE() << "a simulation beyond the limit started";
    } catch (const WorkVectorLimitError& error) {
        EXPECT_EQ(error.needed(), 100u);
        EXPECT_EQ(error.limit(), 99u);
        EXPECT_FALSE(error.fromBlock());
    }
    EXPECT_EQ(liveCallocBlocks(), before);
    Simulation simulation(block(), values(Parameters{}), stereo(), SimulationLimits{.workVectorBytes = 100});
    const std::vector<double> frame(8, 1.0), delays(4, 0.0);
    std::vector<double> out(8);
    simulation.step({frame, delays}, {out});
    EXPECT_EQ(out, std::vector<double>(8, 1.0));
}

TEST(HostPropagation, DeclarationWithoutPortsIsRefused) {
    std::vector<Array> four = values(Parameters{});
    four.pop_back();
    try {
        Simulation simulation(block(), std::move(four), stereo());
        FAIL() << "a block without ports ran";
    } catch (const SimulationError& error) {
        EXPECT_FALSE(error.fromBlock());
        EXPECT_NE(std::string(error.what()).find("declared 0 input"), std::string::npos) << error.what();
    }
}

TEST(HostLifeCycle, ReleaseRunsAfterAFailedStartAndAtTheEnd) {
    const std::size_t before = liveCallocBlocks();
    std::vector<Array> parameters = values(Parameters{});
    parameters[2] = Array::matrix(3, 3, std::vector<double>(9, 1.0));  // no shape for 2 channels
    try {
        Simulation simulation(block(), std::move(parameters), stereo());
        FAIL() << "a start with unusable initial conditions ran";
    } catch (const SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_NE(std::string(error.what()).find("For array initial conditions"), std::string::npos);
    }
    EXPECT_EQ(liveCallocBlocks(), before);
    {
        Simulation simulation(block(), values(Parameters{}), stereo());
        EXPECT_GT(liveCallocBlocks(), before);  // the block's own start-time record
    }
    EXPECT_EQ(liveCallocBlocks(), before);
}

// The channel's input k samples back, initial conditions before the first.
class History {
public:
    explicit History(double initial) : initial_(initial) {}
    void push(double value) { values_.push_front(value); }
    double ago(std::size_t k) const { return k < values_.size() ? values_[k] : initial_; }

private:
    double initial_;
    std::deque<double> values_;
};

TEST(HostLifeCycle, IntegerDelaysReturnEarlierInputExactly) {
    Parameters parameters;
    parameters.initialCondition = -0.5;
    Simulation simulation(block(), values(parameters), stereo());
    const SettledPorts& ports = simulation.ports();
    ASSERT_EQ(ports.inputs[0].width, 8);
    std::vector<History> history(2, History(-0.5));
    const double delaysPerFrame[][4] = {{0, 1, 2, 3}, {5, 5, 5, 5}, {4, 0, 9, -2}, {1, 3, 2, 5}, {2, 2, 2, 2}};
    double next = 1.0;
    for (const auto& delays : delaysPerFrame) {
        std::vector<double> frame(8);
        std::vector<double> expected(8);
        for (int c = 0; c < 2; ++c) {
            for (int s = 0; s < 4; ++s) {
                frame[c * 4 + s] = next;
                history[c].push(next);
                next += 1.25;
                const double clamped = std::clamp(delays[s], 0.0, 5.0);
                expected[c * 4 + s] = history[c].ago(static_cast<std::size_t>(clamped));
            }
        }
        std::vector<double> out(8);
        simulation.step({frame, delays}, {out});
        EXPECT_EQ(out, expected);
    }
}

TEST(HostLifeCycle, HalfSampleDelayAveragesNeighboursOfComplexInput) {
    Parameters parameters;
    parameters.numChannels = 1;
    const Connections connections{.inputs = {signal(2, 1, 1.0), signal(2, 0, 1.0)}};
    Simulation simulation(block(), values(parameters), connections);
    ASSERT_TRUE(simulation.ports().outputs[0].complex);
    const std::vector<double> frame{2.0, -4.0, 6.0, 8.0};  // (2 - 4i), (6 + 8i)
    const std::vector<double> delays{0.5, 0.5};
    std::vector<double> out(4);
    simulation.step({frame, delays}, {out});
    // Before the first input the line holds the initial condition 0.
    EXPECT_EQ(out, (std::vector<double>{1.0, -2.0, 4.0, 2.0}));
}

TEST(HostLifeCycle, EntriesBeyondPerChannelInitialConditionsReadZero) {
    // Per-channel initial conditions fill the maximum-delay part only; with a
    // two-tap filter the sample just before the first input is one of the
    // entries they leave alone, which the host provides zero-filled.
    Parameters parameters;
    parameters.numChannels = 2;
    parameters.filter = {0.0, 1.0};  // output: the sample one older than the delay
    std::vector<Array> parameterValues = values(parameters);
    parameterValues[2] = Array::matrix(1, 2, {7.0, 7.0});
    const Connections connections{.inputs = {signal(2, 0, 1.0), signal(1, 0, 1.0)}};
    Simulation simulation(block(), std::move(parameterValues), connections);
    std::vector<double> out(2);
    const std::vector<double> zeroDelay{0.0};
    simulation.step({std::vector<double>{3.0, 4.0}, zeroDelay}, {out});
    EXPECT_EQ(out, (std::vector<double>{0.0, 0.0}));
    simulation.step({std::vector<double>{5.0, 6.0}, zeroDelay}, {out});
    EXPECT_EQ(out, (std::vector<double>{3.0, 4.0}));
}

TEST(HostLifeCycle, FramesOfTheWrongSizeAreRefused) {
    Simulation simulation(block(), values(Parameters{}), stereo());
    std::vector<double> out(8);
    const std::vector<double> frame(8, 1.0);
    const std::vector<double> shortDelays(3, 0.0);
    try {
        simulation.step({frame, shortDelays}, {out});
        FAIL() << "a short delay frame was taken";
    } catch (const SimulationError& error) {
        EXPECT_FALSE(error.fromBlock());
    }
    std::vector<double> shortOut(7);
    EXPECT_THROW(simulation.step({frame, std::vector<double>(4, 0.0)}, {shortOut}), SimulationError);
}

}  // namespace
}  // namespace vostrel
