// The method call, code by code: which codes run the block's own method,
// which go through a slot (and what they store when it is empty), which
// follow portFlags bit 0, and what any other FLAG stores.
#include <cmath>
#include <limits>
#include <optional>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;

constexpr char invalidFlag[] = "Invalid flag encountered in vostrel";

// What a host-supplied method saw when the dispatch called it.
struct SeenCall {
    BlockRecord* record = nullptr;
    int32_t port = 0;
    int32_t value = 0;
    double period = 0.0;
    double offset = 0.0;
    const void* dims = nullptr;
};
std::optional<SeenCall> seen;

void seeRecord(BlockRecord* record) { seen = SeenCall{.record = record}; }
void seeValue(BlockRecord* record, int32_t port, int32_t value) {
    seen = SeenCall{.record = record, .port = port, .value = value};
}
void seeTime(BlockRecord* record, int32_t port, double period, double offset) {
    seen = SeenCall{.record = record, .port = port, .period = period, .offset = offset};
}
void seeDims(BlockRecord* record, int32_t port, const void* dims) {
    seen = SeenCall{.record = record, .port = port, .dims = dims};
}
// The width slots hold dimension-info methods while portFlags bit 0 is set.
using WidthSlot = void (*)(BlockRecord*, int32_t, int32_t);
const WidthSlot seeDimsInWidthSlot = reinterpret_cast<WidthSlot>(reinterpret_cast<void (*)()>(seeDims));

const int dimsToken = 0;
const vostrel::MethodArgs probeArgs{.port = 3, .value = 7, .period = 0.25, .offset = 0.125, .dims = &dimsToken};

enum class Shape { Record, Value, Time, Dims };

struct SlotCase {
    int code;
    Shape shape;
    void (*install)(BlockRecord&, PortMethods&, bool filled);
    bool dimensionInfo;  // portFlags bit 0 while the slot serves the code
    const char* refusal;
};

template <typename T>
T filledOr(bool filled, T method) {
    return filled ? method : nullptr;
}

const SlotCase slotCases[] = {
    {setWorkWidthsCode, Shape::Record,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetWorkWidths = filledOr(f, seeRecord); }, false,
     "Unexpected call to mdlSetWorkWidths"},
    {checkParametersCode, Shape::Record,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlCheckParameters = filledOr(f, seeRecord); }, false,
     "Unexpected call to mdlCheckParameters"},
    {inputDataTypeCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetInputPortDataType = filledOr(f, seeValue); },
     false, "Unexpected call to mdlSetInputPortDataType"},
    {outputDataTypeCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetOutputPortDataType = filledOr(f, seeValue); },
     false, "Unexpected call to mdlSetOutputPortDataType"},
    {inputWidthCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetInputPortWidth = filledOr(f, seeValue); }, false,
     "Unexpected call to mdlSetInputPortWidth"},
    {outputWidthCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetOutputPortWidth = filledOr(f, seeValue); }, false,
     "Unexpected call to mdlSetOutputPortWidth"},
    {inputComplexSignalCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetInputPortComplexSignal = filledOr(f, seeValue); },
     false, "Unexpected call to mdlSetInputPortComplexSignal"},
    {outputComplexSignalCode, Shape::Value,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetOutputPortComplexSignal = filledOr(f, seeValue); },
     false, "Unexpected call to mdlSetOutputPortComplexSignal"},
    {inputSampleTimeCode, Shape::Time,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetInputPortSampleTime = filledOr(f, seeTime); },
     false, "Unexpected call to mdlSetInputPortSampleTime"},
    {outputSampleTimeCode, Shape::Time,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetOutputPortSampleTime = filledOr(f, seeTime); },
     false, "Unexpected call to mdlSetOutputPortSampleTime"},
    {inputDimensionInfoCode, Shape::Dims,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetInputPortWidth = filledOr(f, seeDimsInWidthSlot); },
     true, "Unexpected call to mdlSetInputPortDimensionInfo"},
    {outputDimensionInfoCode, Shape::Dims,
     [](BlockRecord& r, PortMethods&, bool f) { r.methods.mdlSetOutputPortWidth = filledOr(f, seeDimsInWidthSlot); },
     true, "Unexpected call to mdlSetOutputPortDimensionInfo"},
    {inputFrameDataCode, Shape::Value,
     [](BlockRecord&, PortMethods& p, bool f) { p.mdlSetInputPortFrameData = filledOr(f, seeValue); }, false,
     "Unexpected call to mdlSetInputPortFrameData"},
    {defaultDimensionInfoCode, Shape::Record,
     [](BlockRecord&, PortMethods& p, bool f) { p.mdlSetDefaultPortDimensionInfo = filledOr(f, seeRecord); },
     false, "Unexpected call to mdlSetDefaultPortDimensionInfo"},
    {defaultDataTypesCode, Shape::Record,
     [](BlockRecord&, PortMethods& p, bool f) { p.mdlSetDefaultPortDataTypes = filledOr(f, seeRecord); }, false,
     "Unexpected call to mdlSetDefaultPortDataTypes"},
    {defaultComplexSignalsCode, Shape::Record,
     [](BlockRecord&, PortMethods& p, bool f) { p.mdlSetDefaultPortComplexSignals = filledOr(f, seeRecord); },
     false, "Unexpected call to mdlSetDefaultPortComplexSignals"},
};

void setDimensionInfoFlag(BlockRecord& record, bool set) {
    const uint32_t flags = static_cast<uint32_t>(record.sizes[portFlags]);
    record.sizes[portFlags] = static_cast<int32_t>(set ? flags | 1u : flags & ~1u);
}

TEST(MethodDispatch, AFilledSlotIsCalledWithTheHostsArguments) {
    for (const SlotCase& c : slotCases) {
        auto block = registeredBlock();
        BlockRecord& record = block->record();
        PortMethods portMethods{};
        record.portMethods = &portMethods;
        c.install(record, portMethods, true);
        setDimensionInfoFlag(record, c.dimensionInfo);
        seen.reset();

        EXPECT_EQ(call(*block, c.code, probeArgs), "") << "code " << c.code;
        ASSERT_TRUE(seen.has_value()) << "code " << c.code;
        EXPECT_EQ(seen->record, &record) << "code " << c.code;
        if (c.shape != Shape::Record) {
            EXPECT_EQ(seen->port, 3) << "code " << c.code;
        }
        if (c.shape == Shape::Value) {
            EXPECT_EQ(seen->value, 7) << "code " << c.code;
        }
        if (c.shape == Shape::Time) {
            EXPECT_EQ(seen->period, 0.25) << "code " << c.code;
            EXPECT_EQ(seen->offset, 0.125) << "code " << c.code;
        }
        if (c.shape == Shape::Dims) {
            EXPECT_EQ(seen->dims, &dimsToken) << "code " << c.code;
        }
    }
}

TEST(MethodDispatch, AnEmptySlotStoresItsRefusal) {
    for (const SlotCase& c : slotCases) {
        auto block = registeredBlock();
        BlockRecord& record = block->record();
        PortMethods portMethods{};
        record.portMethods = &portMethods;
        c.install(record, portMethods, false);
        setDimensionInfoFlag(record, c.dimensionInfo);
        EXPECT_EQ(call(*block, c.code, probeArgs), c.refusal) << "code " << c.code;
    }
}

TEST(MethodDispatch, WithoutPortMethodsThePortMethodCodesAreRefused) {
    auto block = registeredBlock();
    block->record().portMethods = nullptr;
    for (const SlotCase& c : slotCases) {
        if (c.code < inputFrameDataCode) {
            continue;
        }
        clearError(*block);
        EXPECT_EQ(call(*block, c.code), c.refusal) << "code " << c.code;
    }
}

TEST(MethodDispatch, PortFlagsBit0SelectsWidthOrDimensionInfo) {
    for (const SlotCase& c : slotCases) {
        if (c.code != inputWidthCode && c.code != outputWidthCode && c.code != inputDimensionInfoCode &&
            c.code != outputDimensionInfoCode) {
            continue;
        }
        auto block = registeredBlock();
        PortMethods portMethods{};
        c.install(block->record(), portMethods, true);
        setDimensionInfoFlag(block->record(), !c.dimensionInfo);
        seen.reset();
        EXPECT_EQ(call(*block, c.code, probeArgs), c.refusal) << "code " << c.code;
        EXPECT_FALSE(seen.has_value()) << "code " << c.code;
    }
}

TEST(MethodDispatch, ARegisteredBlockRefusesTheHostsOwnCodes) {
    auto block = registeredBlock();
    EXPECT_EQ(call(*block, inputDataTypeCode), "Unexpected call to mdlSetInputPortDataType");
    clearError(*block);
    EXPECT_EQ(call(*block, outputDataTypeCode), "Unexpected call to mdlSetOutputPortDataType");
    clearError(*block);
    EXPECT_EQ(call(*block, inputDimensionInfoCode), "Unexpected call to mdlSetInputPortDimensionInfo");
    clearError(*block);
    EXPECT_EQ(call(*block, outputDimensionInfoCode), "Unexpected call to mdlSetOutputPortDimensionInfo");
}

TEST(MethodDispatch, StubCodesStoreTheirMessagesWithoutCallingTheSlots) {
    auto block = registeredBlock();
    block->record().methods.mdlGetTimeOfNextVarHit = seeRecord;
    block->record().methods.mdlZeroCrossings = seeRecord;
    seen.reset();
    EXPECT_EQ(call(*block, nextVariableHitCode),
              "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
              "mdlGetTimeOfNextVarHit routine");
    EXPECT_EQ(call(*block, zeroCrossingsCode),
              "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a "
              "mdlZeroCrossings routine");
    EXPECT_FALSE(seen.has_value());
}

TEST(MethodDispatch, CheckSampleTimesIsTheBlocksOwnWhateverTheSlotHolds) {
    for (auto slot : {static_cast<void (*)(BlockRecord*)>(nullptr), &seeRecord}) {
        auto block = registeredBlock();
        block->record().methods.mdlCheckSampleTimes = slot;
        block->record().outputPorts[0].samplePeriod = 0.5;
        seen.reset();
        EXPECT_EQ(call(*block, checkSampleTimesCode),
                  "Sample time of first input port and all output ports must be identical.");
        EXPECT_FALSE(seen.has_value());
    }
}

TEST(MethodDispatch, ReleaseIsTheBlocksOwnWhateverTheSlotHolds) {
    auto block = registeredBlock();
    block->record().methods.mdlRelease = seeRecord;
    seen.reset();
    EXPECT_EQ(call(*block, releaseCode), "");
    EXPECT_FALSE(seen.has_value());
}

TEST(MethodDispatch, StartAndInitialConditionsNeedTheirSlots) {
    auto block = registeredBlock();
    block->record().methods.mdlStart = nullptr;
    EXPECT_EQ(call(*block, startCode), "Unexpected call to mdlStart");
    block->record().methods.mdlInitializeConditions = nullptr;
    EXPECT_EQ(call(*block, initializeConditionsCode), "Unexpected call to mdlInitializeConditions");
}

TEST(MethodDispatch, CodesOutsideTheTableAreInvalid) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double code : {0.0, 1.0, 100.0, 105.0, 106.0, 109.0, 110.0, 118.0, 119.0, 124.0, 125.0, 129.0, 130.0,
                        134.0, -101.0, 100.99, 2147483648.0 + 101.0, 1e300, -1e300, nan, inf, -inf}) {
        auto block = registeredBlock();
        EXPECT_EQ(vostrel::callMethod(blockLibrary(), *block, code), invalidFlag) << "code " << code;
    }
}

TEST(MethodDispatch, TheCodeIsTheFlagTruncated) {
    auto block = registeredBlock();
    EXPECT_EQ(vostrel::callMethod(blockLibrary(), *block, 103.9),
              "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
              "mdlGetTimeOfNextVarHit routine");
    clearError(*block);
    EXPECT_EQ(vostrel::callMethod(blockLibrary(), *block, 108.0000001),
              "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a "
              "mdlZeroCrossings routine");
}

// Calls the entry point as a host that got the call wrong would.
vostrel::CallOutcome rawMethodCall(BlockRecord* record, std::vector<const kvArray*> rightArgs) {
    return vostrel::invoke(blockLibrary(), -1, {nullptr, reinterpret_cast<kvArray*>(record)},
                           std::move(rightArgs));
}

TEST(MethodDispatch, AMissingOrEmptyFlagIsInvalid) {
    const Array unused = Array::empty();
    const Array empty = Array::empty();
    const Array cell = Array::cell(1, 1);
    // Empty in one dimension only: no first element to read either.
    const Array noColumns = Array::matrix(1, 0, {});
    const Array noRows = Array::matrix(0, 3, {});
    struct Case {
        const char* name;
        std::vector<const kvArray*> rightArgs;
    };
    const Case cases[] = {
        {"three arguments", {unused.get(), unused.get(), unused.get()}},
        {"no arguments", {}},
        {"empty FLAG", {unused.get(), unused.get(), unused.get(), empty.get()}},
        {"1 x 0 FLAG", {unused.get(), unused.get(), unused.get(), noColumns.get()}},
        {"0 x 3 FLAG", {unused.get(), unused.get(), unused.get(), noRows.get()}},
        {"cell FLAG", {unused.get(), unused.get(), unused.get(), cell.get()}},
        {"null FLAG", {unused.get(), unused.get(), unused.get(), nullptr}},
    };
    for (const Case& c : cases) {
        auto block = registeredBlock();
        const auto outcome = rawMethodCall(&block->record(), c.rightArgs);
        EXPECT_FALSE(outcome.abandoned) << c.name;
        EXPECT_STREQ(block->record().errorMessage, invalidFlag) << c.name;
    }
}

TEST(MethodDispatch, WithoutARecordNothingIsTouched) {
    const Array unused = Array::empty();
    const Array flag = Array::scalar(checkParametersCode);
    const auto outcome = rawMethodCall(nullptr, {unused.get(), unused.get(), unused.get(), flag.get()});
    EXPECT_FALSE(outcome.abandoned);
    for (const Array& result : outcome.leftResults) {
        EXPECT_FALSE(result);
    }
}

TEST(MethodDispatch, MessagesGoToTheRootRecord) {
    auto block = registeredBlock();
    BlockRecord root{};
    BlockRecord& record = block->record();
    record.root = &root;
    vostrel::callMethod(blockLibrary(), *block, 105.0);
    EXPECT_EQ(record.errorMessage, nullptr);
    EXPECT_STREQ(root.errorMessage, invalidFlag);
    record.root = &record;
}

}  // namespace
}  // namespace quorbelin::testing
