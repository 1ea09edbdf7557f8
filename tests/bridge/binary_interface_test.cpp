// The binary interface as numbers: method codes, SizesVector positions, the
// record's flags and special values, and the layout of every record the
// host and a block share (x86-64, LP64). Each is stated here as a literal,
// not taken from the shared header, so a change to the header cannot pass
// unseen: the host and the block would both follow it, and a host or block
// built by someone else would not.
#include <gtest/gtest.h>

#include <cstddef>

#include "tests/bridge/block_fixture.h"
#include "bridge/block_record.h"

namespace quorbelin::testing {
namespace {

TEST(BinaryInterface, MethodCodes) {
    const std::pair<int, int> codes[] = {
        {checkSampleTimesCode, 101},    {initializeConditionsCode, 102}, {nextVariableHitCode, 103},
        {computeOutputsCode, 104},      {releaseCode, 107},              {zeroCrossingsCode, 108},
        {setWorkWidthsCode, 111},       {checkParametersCode, 112},      {inputDataTypeCode, 113},
        {outputDataTypeCode, 114},      {inputWidthCode, 115},           {outputWidthCode, 116},
        {startCode, 117},               {inputComplexSignalCode, 120},   {outputComplexSignalCode, 121},
        {inputSampleTimeCode, 122},     {outputSampleTimeCode, 123},     {inputDimensionInfoCode, 126},
        {outputDimensionInfoCode, 127}, {inputFrameDataCode, 128},       {defaultDimensionInfoCode, 131},
        {defaultDataTypesCode, 132},    {defaultComplexSignalsCode, 133},
    };
    for (const auto& [named, literal] : codes) {
        EXPECT_EQ(named, literal);
    }
}

TEST(BinaryInterface, WidthCodesReachTheirOwnPortsOnTheBlock) {
    // By literal code, past any table: 115 sets an input width, 116 an
    // output width.
    auto block = registeredBlock({.numChannels = 2});
    EXPECT_EQ(call(*block, 115, {.port = 0, .value = 6}), "");
    EXPECT_EQ(block->record().inputPorts[0].width, 6);
    auto other = registeredBlock({.numChannels = 2});
    EXPECT_EQ(call(*other, 116, {.port = 0, .value = 4}), "");
    EXPECT_EQ(other->record().outputPorts[0].width, 4);
    EXPECT_EQ(other->record().inputPorts[0].width, 4);  // the data port follows its pair
}

TEST(BinaryInterface, SizesVectorPositionsFlagsAndSpecialValues) {
    EXPECT_EQ(numOutputPorts, 2);
    EXPECT_EQ(numInputPorts, 3);
    EXPECT_EQ(methodArgument, 4);
    EXPECT_EQ(numSampleTimes, 6);
    EXPECT_EQ(numParams, 7);
    EXPECT_EQ(recordVersion, 19);
    EXPECT_EQ(options, 23);
    EXPECT_EQ(portFlags, 31);
    EXPECT_EQ(SIZES_WORD_COUNT, 38);
    EXPECT_EQ(RECORD_VERSION, 5200229);
    EXPECT_EQ(OPTIONS_WORK_VECTORS_DECLARED, 2u);
    EXPECT_EQ(OPTIONS_SIZE_QUERY_DONE, 0x2000u);
    EXPECT_EQ(PORT_FLAGS_DIMENSION_INFO, 1u);
    EXPECT_EQ(PORT_FLAGS_STAND_ALONE, 2u);
    EXPECT_EQ(DYNAMICALLY_SIZED, -1);
    EXPECT_EQ(COMPLEXITY_INHERITED, -1);
    EXPECT_EQ(COMPLEXITY_REAL, 0);
    EXPECT_EQ(COMPLEXITY_COMPLEX, 1);
    EXPECT_EQ(PORT_BASED_SAMPLE_TIMES, -1);
    EXPECT_EQ(WORK_TYPE_INT32, 6);
    EXPECT_EQ(CALL_MODE_SIZES_ONLY, 1);
}

struct FieldPlace {
    const char* field;
    std::size_t offset;
    std::size_t expected;
};

TEST(BinaryInterface, RecordLayout) {
    const FieldPlace places[] = {
        {"BlockRecord.blockName", offsetof(BlockRecord, blockName), 0},
        {"BlockRecord.blockPath", offsetof(BlockRecord, blockPath), 8},
        {"BlockRecord.hostData", offsetof(BlockRecord, hostData), 16},
        {"BlockRecord.root", offsetof(BlockRecord, root), 24},
        {"BlockRecord.errorMessage", offsetof(BlockRecord, errorMessage), 32},
        {"BlockRecord.sizes", offsetof(BlockRecord, sizes), 40},
        {"BlockRecord.setNumInputPorts", offsetof(BlockRecord, setNumInputPorts), 192},
        {"BlockRecord.setNumInputPortsContext", offsetof(BlockRecord, setNumInputPortsContext), 200},
        {"BlockRecord.setNumOutputPorts", offsetof(BlockRecord, setNumOutputPorts), 208},
        {"BlockRecord.setNumOutputPortsContext", offsetof(BlockRecord, setNumOutputPortsContext), 216},
        {"BlockRecord.inputPorts", offsetof(BlockRecord, inputPorts), 224},
        {"BlockRecord.outputPorts", offsetof(BlockRecord, outputPorts), 232},
        {"BlockRecord.numParamsGiven", offsetof(BlockRecord, numParamsGiven), 240},
        {"BlockRecord.params", offsetof(BlockRecord, params), 248},
        {"BlockRecord.paramAttributes", offsetof(BlockRecord, paramAttributes), 256},
        {"BlockRecord.hostParams", offsetof(BlockRecord, hostParams), 264},
        {"BlockRecord.portMethods", offsetof(BlockRecord, portMethods), 272},
        {"BlockRecord.hostModel", offsetof(BlockRecord, hostModel), 280},
        {"BlockRecord.userData", offsetof(BlockRecord, userData), 288},
        {"BlockRecord.workVectors", offsetof(BlockRecord, workVectors), 296},
        {"BlockRecord.numWorkVectors", offsetof(BlockRecord, numWorkVectors), 304},
        {"BlockRecord.callArgs", offsetof(BlockRecord, callArgs), 312},
        {"BlockRecord.hostCallState", offsetof(BlockRecord, hostCallState), 320},
        {"BlockRecord.setNumWorkVectors", offsetof(BlockRecord, setNumWorkVectors), 328},
        {"BlockRecord.hostWorkState", offsetof(BlockRecord, hostWorkState), 336},
        {"BlockRecord.sampleTimes", offsetof(BlockRecord, sampleTimes), 344},
        {"BlockRecord.hostSampleTimeCount", offsetof(BlockRecord, hostSampleTimeCount), 352},
        {"BlockRecord.methods", offsetof(BlockRecord, methods), 360},
        {"BlockRecord.hostTrailer", offsetof(BlockRecord, hostTrailer), 552},
        {"InputPortRecord.width", offsetof(InputPortRecord, width), 0},
        {"InputPortRecord.directFeedthrough", offsetof(InputPortRecord, directFeedthrough), 4},
        {"InputPortRecord.dataType", offsetof(InputPortRecord, dataType), 8},
        {"InputPortRecord.complexity", offsetof(InputPortRecord, complexity), 12},
        {"InputPortRecord.signal", offsetof(InputPortRecord, signal), 16},
        {"InputPortRecord.frameData", offsetof(InputPortRecord, frameData), 24},
        {"InputPortRecord.attributes", offsetof(InputPortRecord, attributes), 28},
        {"InputPortRecord.sampleTimeIndex", offsetof(InputPortRecord, sampleTimeIndex), 32},
        {"InputPortRecord.samplePeriod", offsetof(InputPortRecord, samplePeriod), 40},
        {"InputPortRecord.sampleOffset", offsetof(InputPortRecord, sampleOffset), 48},
        {"InputPortRecord.hostData", offsetof(InputPortRecord, hostData), 56},
        {"OutputPortRecord.width", offsetof(OutputPortRecord, width), 0},
        {"OutputPortRecord.dataType", offsetof(OutputPortRecord, dataType), 4},
        {"OutputPortRecord.complexity", offsetof(OutputPortRecord, complexity), 8},
        {"OutputPortRecord.signal", offsetof(OutputPortRecord, signal), 16},
        {"OutputPortRecord.frameData", offsetof(OutputPortRecord, frameData), 24},
        {"OutputPortRecord.attributes", offsetof(OutputPortRecord, attributes), 28},
        {"OutputPortRecord.samplePeriod", offsetof(OutputPortRecord, samplePeriod), 32},
        {"OutputPortRecord.sampleOffset", offsetof(OutputPortRecord, sampleOffset), 40},
        {"OutputPortRecord.hostData", offsetof(OutputPortRecord, hostData), 48},
        {"WorkVectorRecord.width", offsetof(WorkVectorRecord, width), 0},
        {"WorkVectorRecord.dataType", offsetof(WorkVectorRecord, dataType), 4},
        {"WorkVectorRecord.complexity", offsetof(WorkVectorRecord, complexity), 8},
        {"WorkVectorRecord.data", offsetof(WorkVectorRecord, data), 16},
        {"WorkVectorRecord.hostData", offsetof(WorkVectorRecord, hostData), 24},
        {"CallArgs.callMode", offsetof(CallArgs, callMode), 0},
        {"CallArgs.hostMode", offsetof(CallArgs, hostMode), 4},
        {"CallArgs.dimsArgument", offsetof(CallArgs, dimsArgument), 8},
        {"CallArgs.hostArgument", offsetof(CallArgs, hostArgument), 16},
        {"CallArgs.valueArgument", offsetof(CallArgs, valueArgument), 24},
        {"CallArgs.hostValue", offsetof(CallArgs, hostValue), 28},
        {"CallArgs.periodArgument", offsetof(CallArgs, periodArgument), 32},
        {"CallArgs.offsetArgument", offsetof(CallArgs, offsetArgument), 40},
        {"CallArgs.hostTime", offsetof(CallArgs, hostTime), 48},
        {"PortMethods.hostMethods", offsetof(PortMethods, hostMethods), 0},
        {"PortMethods.mdlSetInputPortFrameData", offsetof(PortMethods, mdlSetInputPortFrameData), 32},
        {"PortMethods.hostMethod", offsetof(PortMethods, hostMethod), 40},
        {"PortMethods.mdlSetDefaultPortDimensionInfo", offsetof(PortMethods, mdlSetDefaultPortDimensionInfo), 48},
        {"PortMethods.mdlSetDefaultPortDataTypes", offsetof(PortMethods, mdlSetDefaultPortDataTypes), 56},
        {"PortMethods.mdlSetDefaultPortComplexSignals", offsetof(PortMethods, mdlSetDefaultPortComplexSignals), 64},
        {"MethodTable.mdlDeclareSizes", offsetof(MethodTable, mdlDeclareSizes), 0},
        {"MethodTable.mdlSetInputPortWidth", offsetof(MethodTable, mdlSetInputPortWidth), 24},
        {"MethodTable.mdlSetOutputPortWidth", offsetof(MethodTable, mdlSetOutputPortWidth), 32},
        {"MethodTable.mdlSetInputPortDataType", offsetof(MethodTable, mdlSetInputPortDataType), 40},
        {"MethodTable.mdlSetOutputPortDataType", offsetof(MethodTable, mdlSetOutputPortDataType), 48},
        {"MethodTable.mdlCheckSampleTimes", offsetof(MethodTable, mdlCheckSampleTimes), 56},
        {"MethodTable.mdlSetInputPortSampleTime", offsetof(MethodTable, mdlSetInputPortSampleTime), 64},
        {"MethodTable.mdlSetOutputPortSampleTime", offsetof(MethodTable, mdlSetOutputPortSampleTime), 72},
        {"MethodTable.mdlSetWorkWidths", offsetof(MethodTable, mdlSetWorkWidths), 80},
        {"MethodTable.mdlInitializeConditions", offsetof(MethodTable, mdlInitializeConditions), 96},
        {"MethodTable.mdlStart", offsetof(MethodTable, mdlStart), 104},
        {"MethodTable.mdlCheckParameters", offsetof(MethodTable, mdlCheckParameters), 112},
        {"MethodTable.mdlGetTimeOfNextVarHit", offsetof(MethodTable, mdlGetTimeOfNextVarHit), 128},
        {"MethodTable.mdlComputeOutputs", offsetof(MethodTable, mdlComputeOutputs), 136},
        {"MethodTable.mdlZeroCrossings", offsetof(MethodTable, mdlZeroCrossings), 160},
        {"MethodTable.mdlRelease", offsetof(MethodTable, mdlRelease), 168},
        {"MethodTable.mdlSetInputPortComplexSignal", offsetof(MethodTable, mdlSetInputPortComplexSignal), 176},
        {"MethodTable.mdlSetOutputPortComplexSignal", offsetof(MethodTable, mdlSetOutputPortComplexSignal), 184},
    };
    for (const FieldPlace& place : places) {
        EXPECT_EQ(place.offset, place.expected) << place.field;
    }
    EXPECT_EQ(sizeof(BlockRecord), 584u);
    EXPECT_EQ(sizeof(InputPortRecord), 64u);
    EXPECT_EQ(sizeof(OutputPortRecord), 56u);
    EXPECT_EQ(sizeof(WorkVectorRecord), 32u);
    EXPECT_EQ(sizeof(CallArgs), 56u);
    EXPECT_EQ(sizeof(PortMethods), 72u);
    EXPECT_EQ(sizeof(MethodTable), 192u);
}

}  // namespace
}  // namespace quorbelin::testing
