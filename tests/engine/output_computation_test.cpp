// Whole simulations through the stand-in host, bit for bit against the
// age-indexed model started from the initial conditions' meaning; and the
// output call refusing a state it cannot index safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "tests/engine/delay_model.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/random_delays.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;

// The forms the initial conditions may take.
enum class IcForm { empty, scalar, row, column, channelMatrix, channelByDelay, cube, channelByDelayPages };

struct BlockCase {
    ModelConfig model;
    double numChannels = 0;       // the parameter: K or -1
    double perChannelDelay = 0;   // the parameter's value
    int32_t dataWidth = 0;
    int32_t delayWidth = 0;
    IcForm form = IcForm::empty;
    std::vector<int32_t> icDims;
    std::vector<double> icReal;
    std::vector<double> icImag;   // empty: real initial conditions

    std::string describe() const {
        std::ostringstream text;
        text << "numChannels=" << numChannels << " K=" << model.channels << " F=" << model.frameSize
             << " Dmax=" << model.maxDelay << " H=" << model.halfLength
             << (model.useFilter ? " FIR M=" : " linear rows=") << model.filterRows
             << " N=" << model.filterPhases << " mode=" << perChannelDelay
             << (model.complex ? " complex" : " real") << " ic form " << static_cast<int>(form)
             << (icImag.empty() ? "" : " complex ic");
        return text.str();
    }
};

int pick(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::vector<double> normals(std::size_t count, std::mt19937& random) {
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> values(count);
    for (double& v : values) {
        v = normal(random);
    }
    return values;
}

BlockCase randomCase(std::mt19937& random) {
    BlockCase c;
    ModelConfig& m = c.model;
    m.maxDelay = pick(random, 0, 3) == 0 ? pick(random, 1, 2) : pick(random, 1, 20);
    switch (pick(random, 0, 3)) {
    case 0: break;  // 0 x 0: linear
    case 1: m.filterRows = pick(random, 1, 6); break;  // M x 0: empty, linear, longer buffer
    default:
        m.useFilter = true;
        m.filterRows = pick(random, 1, 10);
        m.filterPhases = pick(random, 0, 2) == 0 ? pick(random, 1, 4) : pick(random, 1, 64);
        m.filter = normals(static_cast<std::size_t>(m.filterRows) * m.filterPhases, random);
    }
    m.halfLength = m.filterRows / 2;
    if (pick(random, 0, 3) == 0) {
        c.numChannels = -1;
        m.channels = pick(random, 1, 6);
        m.frameSize = 1;
    } else {
        m.channels = pick(random, 1, 4);
        c.numChannels = m.channels;
        m.frameSize = pick(random, 0, 4) == 0 ? pick(random, 1, 2 * m.length() + 2) : pick(random, 1, 6);
    }
    const double modes[] = {0.0, -0.0, 1.0, -3.0, std::numeric_limits<double>::quiet_NaN()};
    c.perChannelDelay = modes[pick(random, 0, 4)];
    m.perChannel = c.perChannelDelay != 0.0;
    m.complex = pick(random, 0, 1) == 1;
    c.dataWidth = m.channels * m.frameSize;
    c.delayWidth = m.perChannel ? m.channels : m.frameSize;

    const int k = m.channels;
    const int d = m.maxDelay;
    std::vector<IcForm> forms{IcForm::empty, IcForm::scalar, IcForm::channelByDelay};
    if (k > 1) {
        forms.insert(forms.end(), {IcForm::row, IcForm::column, IcForm::channelMatrix});
    }
    if (d > 1) {
        forms.insert(forms.end(), {IcForm::cube, IcForm::channelByDelayPages});
    }
    c.form = forms[pick(random, 0, static_cast<int>(forms.size()) - 1)];
    // A factorisation d0 x d1 = K for the forms that spread channels over two
    // leading dimensions.
    int d0 = 1;
    for (int f = 2; f < k; ++f) {
        if (k % f == 0) {
            d0 = f;
            break;
        }
    }
    switch (c.form) {
    case IcForm::empty: c.icDims = {0, 0}; break;
    case IcForm::scalar: c.icDims = {1, 1}; break;
    case IcForm::row: c.icDims = {1, k}; break;
    case IcForm::column: c.icDims = {k, 1}; break;
    case IcForm::channelMatrix: c.icDims = {d0, k / d0}; break;
    case IcForm::channelByDelay: c.icDims = {k, d}; break;
    case IcForm::cube: c.icDims = {d0, k / d0, d}; break;
    case IcForm::channelByDelayPages: c.icDims = {k, d, 2}; break;
    }
    std::size_t count = 1;
    for (int32_t dim : c.icDims) {
        count *= static_cast<std::size_t>(dim);
    }
    c.icReal = normals(count, random);
    if (m.complex && count > 0 && pick(random, 0, 1) == 1) {
        c.icImag = normals(count, random);
    }
    return c;
}

// What each channel holds just before its first input, by age, from what the
// initial conditions mean: a single value stands for every earlier sample;
// otherwise position k of channel c (k < Dmax) is the input Dmax + H - k
// samples before the first (age Dmax + H - k - 1 now), and the H samples
// just before the first are the host's zero-filled storage.
std::vector<std::vector<ModelSample>> historyFromInitialConditions(const BlockCase& c) {
    const ModelConfig& m = c.model;
    const int length = m.length();
    const std::size_t count = c.icReal.size();
    auto element = [&c](std::size_t n) {
        return ModelSample{c.icReal[n], c.icImag.empty() ? 0.0 : c.icImag[n]};
    };
    const bool perPosition = c.form == IcForm::channelByDelay || c.form == IcForm::cube ||
                             c.form == IcForm::channelByDelayPages;
    std::vector<std::vector<ModelSample>> history(m.channels);
    for (int ch = 0; ch < m.channels; ++ch) {
        for (int age = 0; age < length; ++age) {
            ModelSample value{};
            if (count <= 1) {
                value = count == 1 ? element(0) : ModelSample{};
            } else if (age >= m.halfLength && age <= length - 2) {
                const int position = length - 2 - age;
                value = element(perPosition ? ch + static_cast<std::size_t>(position) * m.channels
                                            : static_cast<std::size_t>(ch));
            }
            if (!m.complex) {
                value.imag = 0.0;
            }
            history[ch].push_back(value);
        }
    }
    return history;
}

std::vector<Array> parametersOf(const BlockCase& c) {
    const ModelConfig& m = c.model;
    EngineParameters p;
    p.maxDelay = m.maxDelay;
    p.numChannels = c.numChannels;
    p.perChannelDelay = c.perChannelDelay;
    if (m.useFilter) {
        p.filter = Array::matrix(m.filterRows, m.filterPhases, m.filter);
    } else if (m.filterRows > 0) {
        p.filter = Array::withClass(vostrel::ArrayClass::Double, {m.filterRows, 0});
    } else {
        p.filter = Array::empty();
    }
    p.initialConditions =
        Array::withClass(vostrel::ArrayClass::Double, c.icDims, c.icReal, c.icImag);
    return parameterValues(std::move(p));
}

void runAgainstModel(const BlockCase& c, int frames, std::mt19937& random) {
    SCOPED_TRACE(c.describe());
    const ModelConfig& m = c.model;
    const std::size_t before = vostrel::liveCallocBlocks();
    {
        vostrel::Simulation sim(blockLibrary(), parametersOf(c),
                                connectedSignals(c.dataWidth, c.delayWidth, m.complex));
        DelayModel model(m, historyFromInitialConditions(c));
        const std::size_t elements = static_cast<std::size_t>(c.dataWidth);
        const std::size_t parts = m.complex ? 2 : 1;
        std::vector<double> out(elements * parts);
        std::vector<ModelSample> expected(elements);
        for (int frame = 0; frame < frames; ++frame) {
            const std::vector<double> data = normals(elements * parts, random);
            std::vector<ModelSample> samples(elements);
            for (std::size_t e = 0; e < elements; ++e) {
                samples[e] = {data[e * parts], m.complex ? data[e * parts + 1] : 0.0};
            }
            std::vector<double> delays(static_cast<std::size_t>(c.delayWidth));
            for (double& d : delays) {
                d = randomDelay(random, m.maxDelay, m.filterPhases);
            }
            sim.step({data, delays}, {out});
            model.step(samples, delays, expected);
            for (std::size_t e = 0; e < elements; ++e) {
                const double real = out[e * parts];
                const double imag = m.complex ? out[e * parts + 1] : 0.0;
                ASSERT_TRUE(sameValue(real, expected[e].real) && sameValue(imag, expected[e].imag))
                    << "frame " << frame << " element " << e << ": got (" << real << ", " << imag
                    << "), model (" << expected[e].real << ", " << expected[e].imag << ")";
            }
        }
    }
    EXPECT_EQ(vostrel::liveCallocBlocks(), before) << "release freed what start allocated";
}

TEST(OutputComputation, RandomSimulationsAgreeWithTheModelBitForBit) {
    std::mt19937 random(8032026);
    for (int run = 0; run < 400; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        runAgainstModel(randomCase(random), pick(random, 1, 30), random);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(OutputComputation, LongSimulationsAcrossManyWraps) {
    std::mt19937 random(99);
    for (int run = 0; run < 8; ++run) {
        BlockCase c = randomCase(random);
        runAgainstModel(c, 2000 / std::max(1, c.model.frameSize) + 20, random);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(OutputComputation, NumChannelsMinusOneMakesEveryElementAChannel) {
    // Width 5, per-sample mode: one delay element serves all five channels.
    EngineParameters p;
    p.maxDelay = 4;
    p.initialConditions = Array::matrix(1, 5, {1, 2, 3, 4, 5});
    vostrel::Simulation sim(blockLibrary(), parameterValues(std::move(p)), connectedSignals(5, 1));
    ASSERT_EQ(sim.ports().inputs[1].width, 1);
    std::vector<double> out(5);
    sim.step({std::vector<double>{10, 20, 30, 40, 50}, std::vector<double>{1.0}}, {out});
    EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4, 5}));
    sim.step({std::vector<double>{11, 21, 31, 41, 51}, std::vector<double>{1.0}}, {out});
    EXPECT_EQ(out, (std::vector<double>{10, 20, 30, 40, 50}));
}

// Two channels of frame 3, maximum delay 4, in per-sample mode; started.
vostrel::Simulation twoChannelSimulation() {
    EngineParameters p;
    p.maxDelay = 4;
    p.numChannels = 2;
    return vostrel::Simulation(blockLibrary(), parameterValues(std::move(p)), connectedSignals(6, 3));
}

std::string stepMessage(vostrel::Simulation& sim) {
    std::vector<double> out(6);
    try {
        sim.step({std::vector<double>(6, 1.0), std::vector<double>(3, 1.0)}, {out});
    } catch (const vostrel::SimulationError& error) {
        return error.what();
    }
    return "";
}

TEST(OutputGuards, RefuseAStateThatNoLongerMatchesTheParameters) {
    {
        // The mode is read afresh: per-channel needs K = 2 delays, the port has 3.
        vostrel::Simulation sim = twoChannelSimulation();
        EngineParameters p;
        p.maxDelay = 4;
        p.numChannels = 2;
        p.perChannelDelay = 1.0;
        sim.block().setParameters(parameterValues(std::move(p)));
        EXPECT_EQ(stepMessage(sim),
                  "When using per-channel delay mode, the delay port width must equal the number of "
                  "channels");
    }
    {
        // A longer maximum delay would index past the buffers the host holds.
        vostrel::Simulation sim = twoChannelSimulation();
        EngineParameters p;
        p.maxDelay = 40;
        p.numChannels = 2;
        sim.block().setParameters(parameterValues(std::move(p)));
        EXPECT_EQ(stepMessage(sim),
                  "The work vectors do not match the maximum delay, the filter length, the number "
                  "of channels and the data port");
    }
    {
        vostrel::Simulation sim = twoChannelSimulation();
        *static_cast<int32_t*>(sim.block().record().workVectors[0].data) = 5;  // L = 5
        EXPECT_EQ(stepMessage(sim), "The delay state is corrupt: writeIndex lies outside the delay buffer");
    }
    {
        vostrel::Simulation sim = twoChannelSimulation();
        EXPECT_EQ(stepMessage(sim), "");
        sim.block().record().outputPorts[0].width = 3;
        EXPECT_EQ(stepMessage(sim), "The output port must have the width and complexity of the data port");
    }
}

// The parameter's own storage, as a host that writes into it would reach it.
double* parameterData(vostrel::Simulation& sim, int index) {
    return kvGetPr(sim.block().record().params[index]);
}

TEST(OutputGuards, AFixedParameterWrittenInPlaceIsCaughtAsOneReplaced) {
    {
        vostrel::Simulation sim = twoChannelSimulation();
        ASSERT_EQ(stepMessage(sim), "");
        parameterData(sim, 0)[0] = 40;  // maximum delay 4 -> 40
        EXPECT_EQ(stepMessage(sim),
                  "The work vectors do not match the maximum delay, the filter length, the number "
                  "of channels and the data port");
    }
    {
        vostrel::Simulation sim = twoChannelSimulation();
        ASSERT_EQ(stepMessage(sim), "");
        parameterData(sim, 3)[0] = 3;  // two channels of 3 samples -> three of 2
        EXPECT_EQ(stepMessage(sim),
                  "The work vectors do not match the maximum delay, the filter length, the number "
                  "of channels and the data port");
    }
    {
        // Grown behind the block's back: the buffers the host holds are
        // checked against what start derived at every call.
        vostrel::Simulation sim = twoChannelSimulation();
        ASSERT_EQ(stepMessage(sim), "");
        sim.block().record().workVectors[1].width += 1;
        EXPECT_EQ(stepMessage(sim),
                  "The work vectors do not match the maximum delay, the filter length, the number "
                  "of channels and the data port");
    }
}

TEST(OutputCall, ReadsTheDelayModeAtEveryCall) {
    // Switched in place to per-channel: K = 2 delays needed, the port has 3.
    vostrel::Simulation sim = twoChannelSimulation();
    ASSERT_EQ(stepMessage(sim), "");
    parameterData(sim, 4)[0] = 1.0;
    EXPECT_EQ(stepMessage(sim),
              "When using per-channel delay mode, the delay port width must equal the number of "
              "channels");
    parameterData(sim, 4)[0] = 0.0;
    vostrel::clearError(sim.block());
    EXPECT_EQ(stepMessage(sim), "");
}

TEST(OutputCall, OneChannelOfOneSampleIsTheSameInEitherMode) {
    std::mt19937 random(4242);
    EngineParameters p;
    p.maxDelay = 6;
    p.numChannels = 1;
    vostrel::Simulation sim(blockLibrary(), parameterValues(std::move(p)), connectedSignals(1, 1));
    ModelConfig config;
    config.maxDelay = 6;
    DelayModel model(config, std::vector<std::vector<ModelSample>>(1, std::vector<ModelSample>(7)));
    std::vector<double> out(1);
    std::vector<ModelSample> expected(1);
    for (int hit = 0; hit < 40; ++hit) {
        parameterData(sim, 4)[0] = hit % 3 == 0 ? 1.0 : 0.0;
        const std::vector<double> data = normals(1, random);
        const std::vector<double> delays{randomDelay(random, 6, 0)};
        sim.step({data, delays}, {out});
        model.step(std::vector<ModelSample>{{data[0], 0.0}}, delays, expected);
        ASSERT_TRUE(sameValue(out[0], expected[0].real)) << "hit " << hit;
    }
}

TEST(OutputCall, UsesTheFilterTapsAsTheyAreNow) {
    // Two taps, one phase: y = x[age D] (tap 0 meets age D - H + 1 = D).
    EngineParameters p;
    p.maxDelay = 5;
    p.numChannels = 1;
    p.filter = Array::matrix(2, 1, {1.0, 0.0});
    vostrel::Simulation sim(blockLibrary(), parameterValues(std::move(p)), connectedSignals(1, 1));
    std::vector<double> out(1);
    for (double x : {1.0, 2.0, 3.0}) {
        sim.step({std::vector<double>{x}, std::vector<double>{1.0}}, {out});
    }
    EXPECT_EQ(out[0], 2.0);
    double* taps = parameterData(sim, 1);
    taps[0] = 0.0;
    taps[1] = 1.0;  // now the sample of age D + 1
    sim.step({std::vector<double>{4.0}, std::vector<double>{1.0}}, {out});
    EXPECT_EQ(out[0], 2.0);
}

TEST(OutputGuards, RefuseARecordWithoutParametersOrPorts) {
    // Four parameter values: the declaration stops before declaring ports.
    std::vector<Array> values = parameterValues(EngineParameters{});
    values.pop_back();
    vostrel::HostBlock block("quorbelin");
    block.setParameters(std::move(values));
    ASSERT_FALSE(vostrel::registerBlock(blockLibrary(), block).abandoned);
    ASSERT_EQ(block.record().inputPorts, nullptr);
    const int codes[] = {setWorkWidthsCode, startCode, initializeConditionsCode, computeOutputsCode};
    for (int code : codes) {
        vostrel::clearError(block);
        EXPECT_EQ(call(block, code),
                  "The block takes 5 parameters: maximum delay, interpolation filter, initial "
                  "conditions, number of channels and delay mode")
            << "code " << code;
    }
    // All five values now, but still no ports.
    block.setParameters(parameterValues(EngineParameters{}));
    for (int code : codes) {
        vostrel::clearError(block);
        EXPECT_EQ(call(block, code),
                  "The block's two input ports and one output port must be declared before its "
                  "delay lines are set up")
            << "code " << code;
    }
    EXPECT_EQ(block.record().userData, nullptr);
}

TEST(OutputGuards, RefuseMethodsCalledOutOfOrder) {
    EngineParameters p;
    p.maxDelay = 4;
    p.numChannels = 2;
    auto block = negotiatedBlock(parameterValues(std::move(p)), connectedSignals(6, 3));
    block->allocateSignals();
    EXPECT_EQ(call(*block, computeOutputsCode),
              "The work vectors do not match the maximum delay, the filter length, the number of "
              "channels and the data port");
    vostrel::clearError(*block);
    ASSERT_EQ(call(*block, setWorkWidthsCode), "");
    block->allocateWorkVectors();
    EXPECT_EQ(call(*block, initializeConditionsCode),
              "The initial conditions cannot be loaded before mdlStart has succeeded");
}

}  // namespace
}  // namespace quorbelin::testing
