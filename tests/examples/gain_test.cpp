// The example gain block run through the host's C++ API as any host runs a
// block: its size query, its ports settled from either side, its outputs,
// and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "host/simulation.h"

namespace vostrel {
namespace {

const BlockLibrary& gainBlock() {
    static const BlockLibrary library(QUORBELIN_GAIN_PATH);
    return library;
}

std::vector<Array> gainOf(double gain) {
    std::vector<Array> parameters;
    parameters.push_back(Array::scalar(gain));
    return parameters;
}

TEST(GainBlock, PlainSizeQueryDeclaresOneParameterAndOnePortEach) {
    const SizeQueryResult empty = plainSizeQuery(gainBlock(), {});
    ASSERT_FALSE(empty.abandoned) << empty.message;
    std::vector<double> expected(38, 0.0);
    expected[7] = 1;
    expected[19] = 5200229;
    expected[23] = 8192;
    EXPECT_EQ(empty.sizes, expected);

    const Array gain = Array::scalar(2.5);
    const SizeQueryResult declared = plainSizeQuery(gainBlock(), {gain.get()});
    ASSERT_FALSE(declared.abandoned) << declared.message;
    expected[2] = 1;   // outputs
    expected[3] = 1;   // inputs
    expected[6] = -1;  // port-based sample times
    expected[31] = 2;  // ports set on its own record
    EXPECT_EQ(declared.sizes, expected);
}

TEST(GainBlock, OutputIsTheGainTimesTheInputRealOrComplex) {
    Simulation real(gainBlock(), gainOf(2.5), Connections{.inputs = {PortSignal::source(3, false, 0.25)}});
    ASSERT_EQ(real.ports().outputs.size(), 1u);
    EXPECT_EQ(real.ports().outputs[0].width, 3);
    EXPECT_EQ(real.ports().outputs[0].period, 0.25);
    std::vector<double> out(3);
    real.step({std::vector<double>{1.0, -2.0, 0.5}}, {out});
    EXPECT_EQ(out, (std::vector<double>{2.5, -5.0, 1.25}));

    Simulation complex(gainBlock(), gainOf(-0.5), Connections{.inputs = {PortSignal::source(2, true, 1.0)}});
    ASSERT_TRUE(complex.ports().outputs[0].complex);
    std::vector<double> pairs(4);
    complex.step({std::vector<double>{2.0, -4.0, 6.0, 8.0}}, {pairs});  // (2 - 4i), (6 + 8i)
    EXPECT_EQ(pairs, (std::vector<double>{-1.0, 2.0, -3.0, -4.0}));
}

TEST(GainBlock, WhatTheOutputFeedsSettlesTheInput) {
    HostBlock block(gainBlock().blockName());
    block.setParameters(gainOf(3.0));
    const SettledPorts ports =
        negotiate(gainBlock(), block,
                  Connections{.inputs = {PortSignal{}}, .outputs = {PortSignal::source(5, true, 0.125)}});
    EXPECT_EQ(ports.inputs[0].width, 5);
    EXPECT_TRUE(ports.inputs[0].complex);
    EXPECT_EQ(ports.inputs[0].period, 0.125);
    EXPECT_EQ(block.record().sampleTimes[0], 0.125);
}

TEST(GainBlock, RefusesWhatItCannotServe) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<Array> parameters;
        Connections connections;
        const char* message;
        bool fromBlock;
    };
    std::vector<Case> cases;
    cases.push_back({"NaN gain", gainOf(nan), {.inputs = {PortSignal::source(1, false, 1.0)}},
                     "The gain must be a finite real scalar", true});
    std::vector<Array> complexGain;
    complexGain.push_back(Array::complexScalar(1.0, 1.0));
    cases.push_back({"complex gain", std::move(complexGain), {.inputs = {PortSignal::source(1, false, 1.0)}},
                     "The gain must be a finite real scalar", true});
    std::vector<Array> rowOfGains;
    rowOfGains.push_back(Array::matrix(1, 2, {1.0, 2.0}));
    cases.push_back({"two gains", std::move(rowOfGains), {.inputs = {PortSignal::source(1, false, 1.0)}},
                     "The gain must be a finite real scalar", true});
    cases.push_back({"widths that differ", gainOf(1.0),
                     {.inputs = {PortSignal::source(4, false, 1.0)}, .outputs = {PortSignal::settledWidth(3)}},
                     "The input and the output of a gain must have the same width", true});
    // Connections by port index: one per input port the block declares.
    cases.push_back({"a second input", gainOf(1.0),
                     {.inputs = {PortSignal::source(1, false, 1.0), PortSignal::source(1, false, 1.0)}},
                     "block \"gain\" declared 1 input and 1 output ports; 2 input and 0 output connections", false});
    cases.push_back({"an unknown width", gainOf(1.0), {.inputs = {PortSignal{.complexity = 0, .period = 1.0}}},
                     "the width of input port 0 is still unknown", false});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            Simulation simulation(gainBlock(), std::move(c.parameters), c.connections);
            ADD_FAILURE() << "ran";
        } catch (const SimulationError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            EXPECT_EQ(error.fromBlock(), c.fromBlock);
        }
    }
}

}  // namespace
}  // namespace vostrel
