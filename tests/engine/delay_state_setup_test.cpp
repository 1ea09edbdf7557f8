// Work widths, the checks and shape analysis at start, and release, through
// the host's method calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/engine_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;
using vostrel::ArrayClass;

const char* const tooLarge =
    "The delay buffer is too large: the number of channels times (maximum delay + filter "
    "half-length + 1) must not exceed 2147483647";

TEST(WorkWidths, DeclareTheIndexAndOneBufferPerChannel) {
    struct Case {
        double maxDelay;
        int32_t filterRows;
        double numChannels;
        int32_t dataWidth;
        int32_t delayWidth;
        bool complex;
        int32_t bufferWidth;
    } cases[] = {
        {10, 5, 3, 6, 2, false, 3 * 13},
        {10, 0, 3, 6, 2, false, 3 * 11},
        {10, 0, -1, 6, 1, false, 6 * 11},
        {4, 4, 2, 8, 4, true, 2 * 7},
        {1, 1, 1, 1, 1, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("buffer width " + std::to_string(c.bufferWidth));
        EngineParameters p;
        p.maxDelay = c.maxDelay;
        p.numChannels = c.numChannels;
        if (c.filterRows > 0) {
            p.filter = filterOf(c.filterRows, 2);
        }
        auto block = negotiatedBlock(parameterValues(std::move(p)),
                                     connectedSignals(c.dataWidth, c.delayWidth, c.complex));
        ASSERT_EQ(call(*block, setWorkWidthsCode), "");
        ASSERT_EQ(block->workVectorCount(), 2);
        const WorkVectorRecord* vectors = block->record().workVectors;
        EXPECT_EQ(vectors[0].width, 1);
        EXPECT_EQ(vectors[0].dataType, WORK_TYPE_INT32);
        EXPECT_EQ(vectors[0].complexity, 0);
        EXPECT_EQ(vectors[1].width, c.bufferWidth);
        EXPECT_EQ(vectors[1].dataType, 0) << "the buffer keeps the host's default, doubles";
        EXPECT_EQ(vectors[1].complexity, c.complex ? 1 : 0);
    }
}

TEST(WorkWidths, RefuseABufferBeyondThirtyTwoBitsBeforeDeclaringAnything) {
    struct Case {
        double maxDelay;
        int32_t filterRows;
        double numChannels;
        int32_t dataWidth;
    } cases[] = {
        {2147483647.0, 0, 1, 1},   // L itself passes 2^31 - 1
        {2147483646.0, 2, 1, 1},   // L = 2^31 through the filter's half-length
        {1073741824.0, 0, 2, 2},   // K * L = 2^31 + 2
        {1.0, 0, -1, 1073741824},  // 2^30 channels of 2 entries
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("maxDelay " + std::to_string(c.maxDelay));
        EngineParameters p;
        p.maxDelay = c.maxDelay;
        p.numChannels = c.numChannels;
        if (c.filterRows > 0) {
            p.filter = filterOf(c.filterRows, 1);
        }
        auto block = negotiatedBlock(parameterValues(std::move(p)),
                                     connectedSignals(c.dataWidth, 1));
        EXPECT_EQ(call(*block, setWorkWidthsCode), tooLarge);
        EXPECT_EQ(block->record().workVectors, nullptr);
        EXPECT_NE(block->workVectorCount(), 2);
    }
}

TEST(WorkWidths, AcceptTheLargestWidthThatFits) {
    EngineParameters p;
    p.maxDelay = 2147483646.0;
    p.numChannels = 1;
    auto block = negotiatedBlock(parameterValues(std::move(p)), connectedSignals(1, 1));
    ASSERT_EQ(call(*block, setWorkWidthsCode), "");
    EXPECT_EQ(block->record().workVectors[1].width, 2147483647);
}

TEST(WorkWidths, OverflowStopsASimulationWithTheBlocksMessage) {
    EngineParameters p;
    p.maxDelay = 1073741824.0;
    p.numChannels = 2;
    try {
        vostrel::Simulation simulation(blockLibrary(), parameterValues(std::move(p)),
                                       connectedSignals(2, 1));
        FAIL() << "the simulation started";
    } catch (const vostrel::SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_STREQ(error.what(), tooLarge);
    }
}

TEST(WorkWidths, EndSilentlyWhenTheHostOffersNoWorkVectors) {
    for (bool offered : {false, true}) {
        auto block = negotiatedBlock(parameterValues(EngineParameters{}), connectedSignals(2, 1));
        block->offerWorkVectors(offered, false);
        EXPECT_EQ(call(*block, setWorkWidthsCode), "");
        EXPECT_EQ(block->record().workVectors, nullptr);
    }
}

// K = 4 channels of frame 2, maximum delay 5.
std::unique_ptr<vostrel::HostBlock> fourChannelBlock(Array initialConditions, bool complex = false,
                                                     double perChannelDelay = 0.0) {
    EngineParameters p;
    p.maxDelay = 5;
    p.numChannels = 4;
    p.perChannelDelay = perChannelDelay;
    p.initialConditions = std::move(initialConditions);
    return blockReadyToStart(parameterValues(std::move(p)),
                             connectedSignals(8, perChannelDelay != 0.0 ? 4 : 2, complex));
}

std::vector<double> ramp(int count) {
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(i + 1.0);
    }
    return values;
}

Array ofDims(std::vector<int32_t> dims) {
    int count = 1;
    for (int32_t d : dims) {
        count *= d;
    }
    return Array::withClass(ArrayClass::Double, std::move(dims), ramp(count));
}

TEST(StartShape, ReducesEveryFormOfInitialConditions) {
    const char* const thirdDimension = "The third dimension of the IC's must equal the maximum delay";
    const char* const vector =
        "For vector initial conditions, the number of elements must equal one or the number of channels";
    const char* const array =
        "For array initial conditions, the last dimension of the matrix must be either one or the "
        "maximum delay.  The product of the preceding dimensions must equal the number of channels";
    const char* const dimensionality =
        "The maximum dimensionality for the initial condition matrix is three";
    const char* const numeric = "The initial conditions must be numeric.  No strings, cell arrays, etc";
    struct Case {
        const char* name;
        Array (*make)();
        const char* message;
        PublishedShape shape;
    } cases[] = {
        {"empty", [] { return Array::empty(); }, "", {1, 1}},
        {"scalar", [] { return Array::scalar(2.5); }, "", {1, 1}},
        {"1x4", [] { return ofDims({1, 4}); }, "", {4, 1}},
        {"4x1", [] { return ofDims({4, 1}); }, "", {4, 1}},
        {"2x2", [] { return ofDims({2, 2}); }, "", {4, 1}},
        {"int8 2x2", [] { return Array::withClass(ArrayClass::Int8, {2, 2}, ramp(4)); }, "", {4, 1}},
        {"4x5", [] { return ofDims({4, 5}); }, "", {4, 5}},
        {"2x2x5", [] { return ofDims({2, 2, 5}); }, "", {4, 5}},
        {"4x5x2", [] { return ofDims({4, 5, 2}); }, "", {4, 5}},
        {"2x2x3", [] { return ofDims({2, 2, 3}); }, thirdDimension, {0, 0}},
        {"1x3", [] { return ofDims({1, 3}); }, vector, {0, 0}},
        {"3x1", [] { return ofDims({3, 1}); }, vector, {0, 0}},
        {"3x3", [] { return ofDims({3, 3}); }, array, {0, 0}},
        {"4x6", [] { return ofDims({4, 6}); }, array, {0, 0}},
        {"2x2x5x2", [] { return ofDims({2, 2, 5, 2}); }, dimensionality, {0, 0}},
        {"text", [] { return Array::text("abcd"); }, numeric, {0, 0}},
        {"cell", [] { return Array::cell(2, 2); }, numeric, {0, 0}},
        {"logical", [] { return Array::withClass(ArrayClass::Logical, {2, 2}, {1, 0, 1, 0}); },
         numeric, {0, 0}},
        {"4-D text", [] { return Array::withClass(ArrayClass::Text, {1, 1, 1, 2}, {65, 66}); },
         numeric, {0, 0}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto block = fourChannelBlock(c.make());
        const std::size_t before = vostrel::liveCallocBlocks();
        EXPECT_EQ(call(*block, startCode), c.message);
        ASSERT_NE(block->record().userData, nullptr) << "published before any check";
        EXPECT_EQ(publishedShape(*block), c.shape);
        EXPECT_EQ(vostrel::liveCallocBlocks(), before + 1) << "the shape outlives the call";
        vostrel::clearError(*block);
        EXPECT_EQ(call(*block, releaseCode), "");
        EXPECT_EQ(block->record().userData, nullptr);
        EXPECT_EQ(vostrel::liveCallocBlocks(), before);
    }
}

TEST(StartShape, OneChannelTakesARowOfDelayPositions) {
    for (bool row : {true, false}) {
        EngineParameters p;
        p.maxDelay = 5;
        p.numChannels = 1;
        p.initialConditions = row ? ofDims({1, 5}) : ofDims({5, 1});
        auto block = blockReadyToStart(parameterValues(std::move(p)), connectedSignals(3, 3));
        if (row) {
            EXPECT_EQ(call(*block, startCode), "");
            EXPECT_EQ(publishedShape(*block), (PublishedShape{1, 5}));
        } else {
            EXPECT_EQ(call(*block, startCode),
                      "For vector initial conditions, the number of elements must equal one or the "
                      "number of channels");
        }
        call(*block, releaseCode);
    }
}

TEST(StartShape, ComplexInitialConditionsNeedComplexData) {
    for (bool complexData : {false, true}) {
        auto block = fourChannelBlock(Array::matrix(2, 2, {1, 2, 3, 4}, {5, 6, 7, 8}), complexData);
        EXPECT_EQ(call(*block, startCode),
                  complexData ? "" : "Use real initial conditions with real data");
        EXPECT_EQ(publishedShape(*block), (PublishedShape{4, 1})) << "the shape is written first";
        call(*block, releaseCode);
    }
    auto block = fourChannelBlock(Array::scalar(3.0), true);
    EXPECT_EQ(call(*block, startCode), "") << "real initial conditions serve complex data";
    call(*block, releaseCode);
}

TEST(StartChecks, SampleTimeAndDelayPortWidthComeBeforeTheInitialConditions) {
    const char* const discrete = "Inputs to block must have discrete sample times";
    const char* const perChannel =
        "When using per-channel delay mode, the delay port width must equal the number of channels";
    const char* const perSample = "The width of the delay port must equal the frame size";
    struct Case {
        double perChannelDelay;
        double period;
        int32_t delayWidth;  // as the host holds it at start; K = 4, F = 2
        const char* message;
    } cases[] = {
        {0.0, 1.0, 2, ""},
        {0.0, 0.0, 3, discrete},
        {0.0, 0.5, 3, perSample},
        {0.0, 1.0, 4, perSample},
        {1.0, 1.0, 4, ""},
        {1.0, 1.0, 2, perChannel},
        {-0.0, 1.0, 4, perSample},  // -0.0 equals 0.0: per-sample mode
        {1.0, 0.0, 2, discrete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("expecting \"") + c.message + "\"");
        // A text initial condition would fail afterwards: these checks come first.
        auto block = fourChannelBlock(Array::text("x"), false, c.perChannelDelay);
        block->setSampleTime(c.period, 0.0);
        block->record().inputPorts[1].width = c.delayWidth;
        const std::string message = call(*block, startCode);
        EXPECT_EQ(message, *c.message ? c.message
                                      : "The initial conditions must be numeric.  No strings, cell "
                                        "arrays, etc");
        ASSERT_NE(block->record().userData, nullptr);
        EXPECT_EQ(publishedShape(*block), (PublishedShape{0, 0}));
        call(*block, releaseCode);
    }
}

TEST(Release, IsHarmlessWithoutAShapeAndWhenRepeated) {
    auto block = fourChannelBlock(Array::scalar(1.0));
    const std::size_t before = vostrel::liveCallocBlocks();
    EXPECT_EQ(call(*block, releaseCode), "");
    ASSERT_EQ(call(*block, startCode), "");
    EXPECT_EQ(vostrel::liveCallocBlocks(), before + 1);
    EXPECT_EQ(call(*block, releaseCode), "");
    EXPECT_EQ(call(*block, releaseCode), "");
    EXPECT_EQ(block->record().userData, nullptr);
    EXPECT_EQ(vostrel::liveCallocBlocks(), before);
    // A second simulation starts afresh on the same record.
    ASSERT_EQ(call(*block, startCode), "");
    EXPECT_EQ(publishedShape(*block), (PublishedShape{1, 1}));
    EXPECT_EQ(call(*block, releaseCode), "");
    EXPECT_EQ(vostrel::liveCallocBlocks(), before);
}

TEST(Release, FollowsAFailedStartInASimulation) {
    const std::size_t before = vostrel::liveCallocBlocks();
    EngineParameters p;
    p.maxDelay = 5;
    p.numChannels = 4;
    p.initialConditions = ofDims({3, 3});
    try {
        vostrel::Simulation simulation(blockLibrary(), parameterValues(std::move(p)),
                                       connectedSignals(8, 2));
        FAIL() << "the simulation started";
    } catch (const vostrel::SimulationError& error) {
        EXPECT_TRUE(error.fromBlock());
        EXPECT_NE(std::string(error.what()).find("For array initial conditions"), std::string::npos);
    }
    EXPECT_EQ(vostrel::liveCallocBlocks(), before) << "the shape was released";
}

}  // namespace
}  // namespace quorbelin::testing
