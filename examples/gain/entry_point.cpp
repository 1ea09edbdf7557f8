// The entry point every block of this host exports: kivFunction answers the
// size query (argument checks, the host's record or a stand-alone one, the
// declaration, the SizesVector) and dispatches method calls by code. Only
// the messages name this block; the rest is the same for any block.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "examples/gain/gain_block.h"

namespace gain {
namespace {

// The argument checks' texts, with the block's label for "%s".
constexpr const char* label = "KIV level2 S-function \"gain\"";

[[noreturn]] void abandon(const char* format, const char* first, const char* second = "") {
    char message[256];
    std::snprintf(message, sizeof message, format, first, second);
    kivErrMsgTxt(message);
}

// Truncation toward zero, defined for every double: NaN gives 0, values
// beyond the 32-bit range saturate.
int32_t toInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// FLAG: one real numeric element holding a 32-bit integer; the query's is 0.
void checkFlag(const kvArray* flag) {
    const char* notInteger = "The 4th right hand argument, FLAG, passed to %s must be an integer";
    if (flag == nullptr || static_cast<int64_t>(kvGetN(flag)) * kvGetM(flag) != 1 || kvIsComplex(flag) ||
        !kvIsNumeric(flag) || kvGetPr(flag) == nullptr) {
        abandon(notInteger, label);
    }
    const double value = kvGetPr(flag)[0];
    if (static_cast<double>(toInt32(value)) != value) {
        abandon(notInteger, label);
    }
    if (toInt32(value) != 0) {
        abandon("Invalid flag passed to %s", label);
    }
}

// The host's record when argument 2 is its marker [address; 5200229].
BlockRecord* hostRecord(const kvArray* marker) {
    if (marker == nullptr || kvGetM(marker) != 2 || kvGetNumberOfElements(marker) < 2 || kvGetPr(marker) == nullptr) {
        return nullptr;
    }
    const double* data = kvGetPr(marker);
    const double version = RECORD_VERSION;
    if (std::memcmp(&data[1], &version, sizeof version) != 0 || !(data[0] > 0.0) || !(data[0] < 0x1p64) ||
        std::trunc(data[0]) != data[0]) {
        return nullptr;
    }
    return reinterpret_cast<BlockRecord*>(static_cast<uintptr_t>(data[0]));
}

void installMethods(BlockRecord* record) {
    MethodTable& m = record->methods;
    m.mdlDeclareSizes = mdlDeclareSizes;
    m.mdlSetInputPortWidth = mdlSetInputPortWidth;
    m.mdlSetOutputPortWidth = mdlSetOutputPortWidth;
    m.mdlSetInputPortSampleTime = mdlSetInputPortSampleTime;
    m.mdlSetOutputPortSampleTime = mdlSetOutputPortSampleTime;
    m.mdlSetInputPortComplexSignal = mdlSetInputPortComplexSignal;
    m.mdlSetOutputPortComplexSignal = mdlSetOutputPortComplexSignal;
    m.mdlSetWorkWidths = mdlSetWorkWidths;
    m.mdlCheckSampleTimes = mdlCheckSampleTimes;
    m.mdlInitializeConditions = mdlInitializeConditions;
    m.mdlStart = mdlStart;
    m.mdlCheckParameters = mdlCheckParameters;
    m.mdlGetTimeOfNextVarHit = nextVariableHitStub;
    m.mdlComputeOutputs = mdlComputeOutputs;
    m.mdlZeroCrossings = zeroCrossingsStub;
    m.mdlRelease = mdlRelease;
    // Ports are negotiated through the width methods.
    record->sizes[portFlags] = static_cast<int32_t>(static_cast<uint32_t>(record->sizes[portFlags]) &
                                                    ~PORT_FLAGS_DIMENSION_INFO);
}

// The port-count setters of a stand-alone record: zero-filled port records
// from kvCalloc, reclaimed with the record when the query ends.
template <typename Port>
int32_t setPorts(BlockRecord* record, int32_t count, int sizesIndex, Port*& ports) {
    if (count < 0) {
        return 0;
    }
    if (count > 0) {
        ports = static_cast<Port*>(kvCalloc(static_cast<size_t>(count), sizeof(Port)));
        if (ports == nullptr) {
            return 0;
        }
    }
    record->sizes[sizesIndex] = count;
    record->sizes[portFlags] =
        static_cast<int32_t>(static_cast<uint32_t>(record->sizes[portFlags]) | PORT_FLAGS_STAND_ALONE);
    return 1;
}

int32_t standAloneInputs(void* context, int32_t count) {
    auto* record = static_cast<BlockRecord*>(context);
    return setPorts(record, count, numInputPorts, record->inputPorts);
}

int32_t standAloneOutputs(void* context, int32_t count) {
    auto* record = static_cast<BlockRecord*>(context);
    return setPorts(record, count, numOutputPorts, record->outputPorts);
}

// A plain size query's own record, for the one call.
BlockRecord* standAloneRecord(int32_t rightCount, const kvArray* rightArgs[]) {
    auto* record = static_cast<BlockRecord*>(kvCalloc(1, sizeof(BlockRecord)));
    auto* callArgs = static_cast<CallArgs*>(kvCalloc(1, sizeof(CallArgs)));
    const int32_t values = rightCount > 4 ? rightCount - 4 : 0;
    auto* params = static_cast<const kvArray**>(kvCalloc(static_cast<size_t>(values) + 1, sizeof(kvArray*)));
    if (record == nullptr || callArgs == nullptr || params == nullptr) {
        abandon("%s is out of memory", label);
    }
    callArgs->callMode = CALL_MODE_SIZES_ONLY;
    for (int32_t i = 0; i < values; ++i) {
        params[i] = rightArgs[4 + i];
    }
    record->root = record;
    record->callArgs = callArgs;
    record->blockName = blockName;
    record->blockPath = blockName;
    record->numParamsGiven = values;
    record->params = params;
    record->setNumInputPorts = standAloneInputs;
    record->setNumInputPortsContext = record;
    record->setNumOutputPorts = standAloneOutputs;
    record->setNumOutputPortsContext = record;
    return record;
}

void sizeQuery(int32_t leftCount, kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]) {
    if (rightCount < 4 || rightArgs == nullptr) {
        abandon("%s must be called with at least 4 right hand arguments", label);
    }
    if (leftCount > 1) {
        abandon("%s called with too many left hand arguments", label);
    }
    checkFlag(rightArgs[3]);
    BlockRecord* record = hostRecord(rightArgs[1]);
    if (record != nullptr) {
        const char* hostName = record->blockName != nullptr ? record->blockName : "";
        if (std::strcmp(hostName, blockName) != 0) {
            abandon("S-function name mismatch. Name in source is \"#define S_FUNCTION_NAME %s\", whereas name of "
                    "the S-function KIV file is \"%s\". The source needs to be updated",
                    blockName, hostName);
        }
        installMethods(record);
    } else {
        record = standAloneRecord(rightCount, rightArgs);
    }
    record->sizes[recordVersion] = RECORD_VERSION;
    mdlDeclareSizes(record);  // a message it stores stays in the record

    kvArray* sizesVector = kvCreateDoubleMatrix(SIZES_WORD_COUNT, 1, 0);
    if (leftResults != nullptr) {
        leftResults[0] = sizesVector;
    }
    record->sizes[options] =
        static_cast<int32_t>(static_cast<uint32_t>(record->sizes[options]) | OPTIONS_SIZE_QUERY_DONE);
    double* words = kvGetPr(sizesVector);
    for (int i = 0; i < SIZES_WORD_COUNT; ++i) {
        // Words 15 to 18 and the options word are unsigned.
        const bool isUnsigned = (i >= 15 && i <= 18) || i == options;
        words[i] = isUnsigned ? static_cast<double>(static_cast<uint32_t>(record->sizes[i])) : record->sizes[i];
    }
}

// A slot's method when the host or the registration filled it, otherwise
// the slot's refusal.
template <typename Method, typename... Arguments>
void throughSlot(BlockRecord* record, Method method, const char* refusal, Arguments... arguments) {
    if (method != nullptr) {
        method(record, arguments...);
    } else {
        record->root->errorMessage = refusal;
    }
}

using DimensionMethod = void (*)(BlockRecord*, int32_t, const void*);
DimensionMethod asDimensionMethod(void (*slot)(BlockRecord*, int32_t, int32_t)) {
    return reinterpret_cast<DimensionMethod>(reinterpret_cast<void (*)()>(slot));
}

void methodCall(kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]) {
    if (leftResults == nullptr || leftResults[1] == nullptr) {
        return;
    }
    auto* record = reinterpret_cast<BlockRecord*>(leftResults[1]);
    if (record->root == nullptr) {
        return;
    }
    const double* flag = rightCount >= 4 && rightArgs != nullptr && rightArgs[3] != nullptr ? kvGetPr(rightArgs[3])
                                                                                          : nullptr;
    const int32_t code = flag != nullptr ? toInt32(flag[0]) : 0;
    static constexpr CallArgs noArgs{};
    static constexpr PortMethods noPortMethods{};
    const CallArgs& call = record->callArgs != nullptr ? *record->callArgs : noArgs;
    const PortMethods& pm = record->portMethods != nullptr ? *record->portMethods : noPortMethods;
    const MethodTable& m = record->methods;
    const int32_t port = record->sizes[methodArgument];
    const bool dimensionInfo = (static_cast<uint32_t>(record->sizes[portFlags]) & PORT_FLAGS_DIMENSION_INFO) != 0;
    switch (code) {
        case checkSampleTimesCode: mdlCheckSampleTimes(record); return;
        case initializeConditionsCode:
            throughSlot(record, m.mdlInitializeConditions ? mdlInitializeConditions : nullptr,
                        "Unexpected call to mdlInitializeConditions");
            return;
        case nextVariableHitCode: nextVariableHitStub(record); return;
        case computeOutputsCode: mdlComputeOutputs(record, port == -2 ? -2 : 0); return;
        case releaseCode: mdlRelease(record); return;
        case zeroCrossingsCode: zeroCrossingsStub(record); return;
        case setWorkWidthsCode: throughSlot(record, m.mdlSetWorkWidths, "Unexpected call to mdlSetWorkWidths"); return;
        case checkParametersCode:
            throughSlot(record, m.mdlCheckParameters, "Unexpected call to mdlCheckParameters");
            return;
        case inputDataTypeCode:
            throughSlot(record, m.mdlSetInputPortDataType, "Unexpected call to mdlSetInputPortDataType", port,
                        call.valueArgument);
            return;
        case outputDataTypeCode:
            throughSlot(record, m.mdlSetOutputPortDataType, "Unexpected call to mdlSetOutputPortDataType", port,
                        call.valueArgument);
            return;
        case inputWidthCode:
            throughSlot(record, dimensionInfo ? nullptr : m.mdlSetInputPortWidth,
                        "Unexpected call to mdlSetInputPortWidth", port, call.valueArgument);
            return;
        case outputWidthCode:
            throughSlot(record, dimensionInfo ? nullptr : m.mdlSetOutputPortWidth,
                        "Unexpected call to mdlSetOutputPortWidth", port, call.valueArgument);
            return;
        case startCode: throughSlot(record, m.mdlStart ? mdlStart : nullptr, "Unexpected call to mdlStart"); return;
        case inputComplexSignalCode:
            throughSlot(record, m.mdlSetInputPortComplexSignal, "Unexpected call to mdlSetInputPortComplexSignal",
                        port, call.valueArgument);
            return;
        case outputComplexSignalCode:
            throughSlot(record, m.mdlSetOutputPortComplexSignal, "Unexpected call to mdlSetOutputPortComplexSignal",
                        port, call.valueArgument);
            return;
        case inputSampleTimeCode:
            throughSlot(record, m.mdlSetInputPortSampleTime, "Unexpected call to mdlSetInputPortSampleTime", port,
                        call.periodArgument, call.offsetArgument);
            return;
        case outputSampleTimeCode:
            throughSlot(record, m.mdlSetOutputPortSampleTime, "Unexpected call to mdlSetOutputPortSampleTime", port,
                        call.periodArgument, call.offsetArgument);
            return;
        case inputDimensionInfoCode:
            throughSlot(record, dimensionInfo ? asDimensionMethod(m.mdlSetInputPortWidth) : nullptr,
                        "Unexpected call to mdlSetInputPortDimensionInfo", port, call.dimsArgument);
            return;
        case outputDimensionInfoCode:
            throughSlot(record, dimensionInfo ? asDimensionMethod(m.mdlSetOutputPortWidth) : nullptr,
                        "Unexpected call to mdlSetOutputPortDimensionInfo", port, call.dimsArgument);
            return;
        case inputFrameDataCode:
            throughSlot(record, pm.mdlSetInputPortFrameData, "Unexpected call to mdlSetInputPortFrameData", port,
                        call.valueArgument);
            return;
        case defaultDimensionInfoCode:
            throughSlot(record, pm.mdlSetDefaultPortDimensionInfo, "Unexpected call to mdlSetDefaultPortDimensionInfo");
            return;
        case defaultDataTypesCode:
            throughSlot(record, pm.mdlSetDefaultPortDataTypes, "Unexpected call to mdlSetDefaultPortDataTypes");
            return;
        case defaultComplexSignalsCode:
            throughSlot(record, pm.mdlSetDefaultPortComplexSignals,
                        "Unexpected call to mdlSetDefaultPortComplexSignals");
            return;
        default: record->root->errorMessage = "Invalid flag encountered in vostrel"; return;
    }
}

}  // namespace
}  // namespace gain

// The library's one exported symbol.
extern "C" __attribute__((visibility("default"))) void kivFunction(int32_t leftCount, kvArray* leftResults[],
                                                                    int32_t rightCount, const kvArray* rightArgs[]) {
    if (leftCount < 0) {
        gain::methodCall(leftResults, rightCount, rightArgs);
    } else {
        gain::sizeQuery(leftCount, leftResults, rightCount, rightArgs);
    }
}
