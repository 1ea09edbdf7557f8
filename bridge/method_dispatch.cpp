#include "bridge/method_dispatch.h"

#include "bridge/block_record.h"
#include "bridge/error_slot.h"
#include "bridge/int32_conversion.h"
#include "bridge/vostrel_messages.h"
#include "config/dsp_ctrl_ts.h"
#include "engine/engine_methods.h"

namespace quorbelin {

namespace {

// The task argument of the output computation: -2 is passed on, anything
// else becomes 0.
constexpr int32_t passedOnTask = -2;

// The method code: the first real value of FLAG, truncated. A FLAG that is
// missing or holds no data gives 0, which is no code. The element count is
// asked as well: a host may hand data for an array without elements, and
// the block never reads a double it was not given.
int32_t methodCode(int32_t rightCount, const kvArray* rightArgs[]) {
    if (rightCount < 4 || rightArgs == nullptr || rightArgs[3] == nullptr) {
        return 0;
    }
    const double* data = kvGetPr(rightArgs[3]);
    if (data == nullptr || kvGetNumberOfElements(rightArgs[3]) < 1) {
        return 0;
    }
    return truncateToInt32(data[0]);
}

// While portFlags bit 0 is set the host keeps dimension-info methods in the
// width slots; the generic function type in between says the cast is meant.
using WidthMethod = void (*)(BlockRecord*, int32_t, int32_t);
DimensionInfoMethod asDimensionInfoMethod(WidthMethod slot) {
    return reinterpret_cast<DimensionInfoMethod>(reinterpret_cast<void (*)()>(slot));
}

// Runs a slot's method when the host or the registration filled it, and
// otherwise stores the slot's refusal.
template <typename Method, typename... Arguments>
void throughSlot(BlockRecord* record, Method method, const char* refusal, Arguments... arguments) {
    if (method != nullptr) {
        method(record, arguments...);
    } else {
        reportError(record, refusal);
    }
}

// Every method but the output call, which handleMethodCall runs first.
void dispatch(BlockRecord* record, int32_t code) {
    // A record without call arguments or port methods reads as empty ones.
    static constexpr CallArgs noCallArgs{};
    const CallArgs& call = record->callArgs != nullptr ? *record->callArgs : noCallArgs;
    const int32_t port = record->sizes[methodArgument];
    const bool dimensionInfo =
        (static_cast<uint32_t>(record->sizes[portFlags]) & PORT_FLAGS_DIMENSION_INFO) != 0;
    const MethodTable& methods = record->methods;
    static constexpr PortMethods noPortMethods{};
    const PortMethods& portMethods =
        record->portMethods != nullptr ? *record->portMethods : noPortMethods;

    switch (code) {
    case checkSampleTimesCode:
        mdlCheckSampleTimes(record);
        return;
    case initializeConditionsCode:
        if (methods.mdlInitializeConditions != nullptr) {
            mdlInitializeConditions(record);
        } else {
            reportError(record, messages::unexpectedInitializeConditions);
        }
        return;
    case nextVariableHitCode:
        reportError(record, messages::nextVariableHit);
        return;
    case releaseCode:
        mdlRelease(record);
        return;
    case zeroCrossingsCode:
        reportError(record, messages::zeroCrossings);
        return;
    case setWorkWidthsCode:
        throughSlot(record, methods.mdlSetWorkWidths, messages::unexpectedSetWorkWidths);
        return;
    case checkParametersCode:
        throughSlot(record, methods.mdlCheckParameters, messages::unexpectedCheckParameters);
        return;
    case inputDataTypeCode:
        throughSlot(record, methods.mdlSetInputPortDataType, messages::unexpectedInputDataType, port,
                    call.valueArgument);
        return;
    case outputDataTypeCode:
        throughSlot(record, methods.mdlSetOutputPortDataType, messages::unexpectedOutputDataType, port,
                    call.valueArgument);
        return;
    case inputWidthCode:
        throughSlot(record, dimensionInfo ? nullptr : methods.mdlSetInputPortWidth,
                    messages::unexpectedInputWidth, port, call.valueArgument);
        return;
    case outputWidthCode:
        throughSlot(record, dimensionInfo ? nullptr : methods.mdlSetOutputPortWidth,
                    messages::unexpectedOutputWidth, port, call.valueArgument);
        return;
    case startCode:
        if (methods.mdlStart != nullptr) {
            mdlStart(record);
        } else {
            reportError(record, messages::unexpectedStart);
        }
        return;
    case inputComplexSignalCode:
        throughSlot(record, methods.mdlSetInputPortComplexSignal, messages::unexpectedInputComplexSignal,
                    port, call.valueArgument);
        return;
    case outputComplexSignalCode:
        throughSlot(record, methods.mdlSetOutputPortComplexSignal, messages::unexpectedOutputComplexSignal,
                    port, call.valueArgument);
        return;
    case inputSampleTimeCode:
        throughSlot(record, methods.mdlSetInputPortSampleTime, messages::unexpectedInputSampleTime, port,
                    call.periodArgument, call.offsetArgument);
        return;
    case outputSampleTimeCode:
        throughSlot(record, methods.mdlSetOutputPortSampleTime, messages::unexpectedOutputSampleTime, port,
                    call.periodArgument, call.offsetArgument);
        return;
    case inputDimensionInfoCode:
        throughSlot(record,
                    dimensionInfo ? asDimensionInfoMethod(methods.mdlSetInputPortWidth) : nullptr,
                    messages::unexpectedInputDimensionInfo, port, call.dimsArgument);
        return;
    case outputDimensionInfoCode:
        throughSlot(record,
                    dimensionInfo ? asDimensionInfoMethod(methods.mdlSetOutputPortWidth) : nullptr,
                    messages::unexpectedOutputDimensionInfo, port, call.dimsArgument);
        return;
    case inputFrameDataCode:
        throughSlot(record, portMethods.mdlSetInputPortFrameData, messages::unexpectedInputFrameData, port,
                    call.valueArgument);
        return;
    case defaultDimensionInfoCode:
        throughSlot(record, portMethods.mdlSetDefaultPortDimensionInfo,
                    messages::unexpectedDefaultDimensionInfo);
        return;
    case defaultDataTypesCode:
        throughSlot(record, portMethods.mdlSetDefaultPortDataTypes, messages::unexpectedDefaultDataTypes);
        return;
    case defaultComplexSignalsCode:
        throughSlot(record, portMethods.mdlSetDefaultPortComplexSignals,
                    messages::unexpectedDefaultComplexSignals);
        return;
    default:
        reportError(record, messages::invalidMethodFlag);
        return;
    }
}

}  // namespace

void handleMethodCall(kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]) {
    if (leftResults == nullptr || leftResults[1] == nullptr) {
        return;
    }
    // The host hands its record in left-hand slot 1 in place of an array.
    BlockRecord* record = reinterpret_cast<BlockRecord*>(leftResults[1]);
    if (record->root == nullptr) {
        return;
    }
    const int32_t code = methodCode(rightCount, rightArgs);
    // The output call comes at every sample hit, the others a few times a
    // run: it goes straight to its method, past the other methods' set-up.
    if (code == computeOutputsCode) {
        const int32_t task = record->sizes[methodArgument];
        mdlComputeOutputs(record, task == passedOnTask ? passedOnTask : 0);
        return;
    }
    dispatch(record, code);
}

}  // namespace quorbelin
