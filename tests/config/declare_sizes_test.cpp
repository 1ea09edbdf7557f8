// The declaration as the host sees it after registration: five parameters,
// two dynamically sized inputs (data inherited, delay real), one output,
// port-based sample times, work vectors decided later.
#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;

TEST(DeclareSizes, DeclaresTwoInputsAndOneOutputStillToBeNegotiated) {
    auto block = registeredBlock();
    const BlockRecord& record = block->record();
    ASSERT_EQ(record.sizes[numInputPorts], 2);
    ASSERT_EQ(record.sizes[numOutputPorts], 1);
    EXPECT_EQ(record.sizes[numParams], 5);
    EXPECT_EQ(record.sizes[numSampleTimes], -1);

    const InputPortRecord& data = record.inputPorts[0];
    const InputPortRecord& delay = record.inputPorts[1];
    const OutputPortRecord& output = record.outputPorts[0];
    EXPECT_EQ(data.complexity, -1);
    EXPECT_EQ(delay.complexity, 0);
    EXPECT_EQ(output.complexity, -1);
    for (const InputPortRecord* input : {&data, &delay}) {
        EXPECT_EQ(input->width, -1);
        EXPECT_EQ(input->directFeedthrough, 1);
        // Bit 0 clear, the two-bit field at bits 1-2 holding 1.
        EXPECT_EQ(input->attributes & 0x7u, 0x2u);
        EXPECT_EQ(input->samplePeriod, -1.0);
    }
    EXPECT_EQ(output.width, -1);
    EXPECT_EQ(output.attributes & 0x3u, 0x1u);
    EXPECT_EQ(output.samplePeriod, -1.0);
}

TEST(DeclareSizes, MarksParametersZeroToThreeOnly) {
    auto block = registeredBlock();
    const uint32_t* attributes = block->record().paramAttributes;
    ASSERT_NE(attributes, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(attributes[i] & 1u, 1u) << "parameter " << i;
    }
    EXPECT_EQ(attributes[4], 0u);
}

TEST(DeclareSizes, OptionsFollowTheWorkVectorOperation) {
    struct Case {
        bool offered;
        bool succeeds;
        int32_t options;
    };
    for (const Case& c : {Case{true, true, 0x2002}, Case{true, false, 0x2000}, Case{false, true, 0x2000}}) {
        vostrel::HostBlock block("quorbelin");
        block.setParameters(parameterValues({}));
        block.offerWorkVectors(c.offered, c.succeeds);
        ASSERT_FALSE(vostrel::registerBlock(blockLibrary(), block).abandoned);
        EXPECT_EQ(block.record().sizes[options], c.options) << "offered " << c.offered << " succeeds " << c.succeeds;
        EXPECT_EQ(block.record().sizes[numInputPorts], 2);
        if (c.offered && c.succeeds) {
            EXPECT_EQ(block.workVectorCount(), -1);
        }
    }
}

TEST(DeclareSizes, OtherThanFiveValuesDeclareNothingButTheParameterCount) {
    for (int count : {0, 4, 6}) {
        std::vector<Array> values = parameterValues({});
        values.resize(static_cast<std::size_t>(std::min(count, 5)));
        while (static_cast<int>(values.size()) < count) {
            values.push_back(Array::scalar(0.0));
        }
        vostrel::HostBlock block("quorbelin");
        block.setParameters(std::move(values));
        ASSERT_FALSE(vostrel::registerBlock(blockLibrary(), block).abandoned);
        const BlockRecord& record = block.record();
        EXPECT_EQ(record.sizes[numParams], 5) << count;
        EXPECT_EQ(record.sizes[numInputPorts], 0) << count;
        EXPECT_EQ(record.sizes[numOutputPorts], 0) << count;
        EXPECT_EQ(record.sizes[numSampleTimes], 0) << count;
        EXPECT_EQ(record.errorMessage, nullptr) << count;
    }
}

TEST(DeclareSizes, AnInvalidParameterStopsBeforeAnyPort) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({.numChannels = 0.0}));
    ASSERT_FALSE(vostrel::registerBlock(blockLibrary(), block).abandoned);
    const BlockRecord& record = block.record();
    EXPECT_STREQ(record.errorMessage,
                 "Number of channels should be a positive scalar integer. If it is -1, the number of "
                 "channels equals the port width");
    EXPECT_EQ(record.sizes[numInputPorts], 0);
    EXPECT_EQ(record.sizes[numSampleTimes], 0);
    EXPECT_EQ(record.paramAttributes[0], 0u);
}

}  // namespace
}  // namespace quorbelin::testing
