// Registration on the host's record: the block's sixteen slots filled, the
// host's slots kept, ports negotiated through width methods.
#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

void hostDataType(BlockRecord*, int32_t, int32_t) {}
void hostMethod(BlockRecord*) {}

TEST(Registration, FillsTheBlockSlotsAndKeepsTheHostSlots) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({}));
    MethodTable& methods = block.record().methods;
    methods.mdlSetInputPortDataType = hostDataType;
    methods.mdlSetOutputPortDataType = hostDataType;
    methods.hostSlot1 = hostMethod;
    methods.hostSlot2 = hostMethod;
    methods.hostSlot11 = hostMethod;
    methods.hostSlot15 = hostMethod;
    methods.hostSlot18 = hostMethod;
    methods.hostSlot19 = nullptr;
    block.record().sizes[portFlags] = 0x7;

    const auto result = vostrel::registerBlock(blockLibrary(), block);
    ASSERT_FALSE(result.abandoned) << result.message;

    EXPECT_NE(methods.mdlDeclareSizes, nullptr);
    EXPECT_NE(methods.mdlSetInputPortWidth, nullptr);
    EXPECT_NE(methods.mdlSetOutputPortWidth, nullptr);
    EXPECT_NE(methods.mdlCheckSampleTimes, nullptr);
    EXPECT_NE(methods.mdlSetInputPortSampleTime, nullptr);
    EXPECT_NE(methods.mdlSetOutputPortSampleTime, nullptr);
    EXPECT_NE(methods.mdlSetWorkWidths, nullptr);
    EXPECT_NE(methods.mdlInitializeConditions, nullptr);
    EXPECT_NE(methods.mdlStart, nullptr);
    EXPECT_NE(methods.mdlCheckParameters, nullptr);
    EXPECT_NE(methods.mdlGetTimeOfNextVarHit, nullptr);
    EXPECT_NE(methods.mdlComputeOutputs, nullptr);
    EXPECT_NE(methods.mdlZeroCrossings, nullptr);
    EXPECT_NE(methods.mdlRelease, nullptr);
    EXPECT_NE(methods.mdlSetInputPortComplexSignal, nullptr);
    EXPECT_NE(methods.mdlSetOutputPortComplexSignal, nullptr);

    EXPECT_EQ(methods.mdlSetInputPortDataType, &hostDataType);
    EXPECT_EQ(methods.mdlSetOutputPortDataType, &hostDataType);
    EXPECT_EQ(methods.hostSlot1, &hostMethod);
    EXPECT_EQ(methods.hostSlot2, &hostMethod);
    EXPECT_EQ(methods.hostSlot11, &hostMethod);
    EXPECT_EQ(methods.hostSlot15, &hostMethod);
    EXPECT_EQ(methods.hostSlot18, &hostMethod);
    EXPECT_EQ(methods.hostSlot19, nullptr);

    // Only bit 0 is cleared.
    EXPECT_EQ(block.record().sizes[portFlags], 0x6);
}

TEST(Registration, InstalledStubsStoreTheirMessagesWhenTheHostCallsThem) {
    auto block = registeredBlock();
    BlockRecord& record = block->record();
    record.methods.mdlGetTimeOfNextVarHit(&record);
    EXPECT_STREQ(record.errorMessage,
                 "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add "
                 "a mdlGetTimeOfNextVarHit routine");
    record.methods.mdlZeroCrossings(&record);
    EXPECT_STREQ(record.errorMessage,
                 "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a "
                 "mdlZeroCrossings routine");
}

TEST(Registration, ADeclarationFailureStaysInTheRecordAndTheQueryCompletes) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({.maxDelay = 0.0}));
    const auto result = vostrel::registerBlock(blockLibrary(), block);
    ASSERT_FALSE(result.abandoned) << result.message;
    EXPECT_STREQ(block.record().errorMessage, "Maximum delay must be a scalar integer > 0");
    EXPECT_EQ(result.sizes.at(3), 0.0);
    EXPECT_EQ(result.sizes.at(19), 5200229.0);
    EXPECT_NE(block.record().methods.mdlCheckParameters, nullptr);
}

}  // namespace
}  // namespace quorbelin::testing
