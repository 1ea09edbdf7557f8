// Every text the entry point (module vostrel) reports. The formats of the
// size query take the entry label for "%s" (the name mismatch takes the two
// names); the rest are stored as they stand in the root's error slot.
#ifndef QUORBELIN_BRIDGE_VOSTREL_MESSAGES_H
#define QUORBELIN_BRIDGE_VOSTREL_MESSAGES_H

namespace quorbelin::messages {

// Size query: formatted, then handed to kivErrMsgTxt.
inline constexpr char tooFewRightArguments[] = "%s must be called with at least 4 right hand arguments";
inline constexpr char tooManyLeftArguments[] = "%s called with too many left hand arguments";
inline constexpr char flagNotInteger[] =
    "The 4th right hand argument, FLAG, passed to %s must be an integer";
inline constexpr char invalidSizeQueryFlag[] = "Invalid flag passed to %s";
inline constexpr char nameMismatch[] =
    "S-function name mismatch. Name in source is \"#define S_FUNCTION_NAME %s\", whereas name of "
    "the S-function KIV file is \"%s\". The source needs to be updated";
inline constexpr char outOfMemory[] = "Not enough memory for the size query of %s";

// Method call: stored in the root's error slot.
inline constexpr char invalidMethodFlag[] = "Invalid flag encountered in vostrel";
inline constexpr char unexpectedInitializeConditions[] = "Unexpected call to mdlInitializeConditions";
inline constexpr char unexpectedSetWorkWidths[] = "Unexpected call to mdlSetWorkWidths";
inline constexpr char unexpectedCheckParameters[] = "Unexpected call to mdlCheckParameters";
inline constexpr char unexpectedInputDataType[] = "Unexpected call to mdlSetInputPortDataType";
inline constexpr char unexpectedOutputDataType[] = "Unexpected call to mdlSetOutputPortDataType";
inline constexpr char unexpectedInputWidth[] = "Unexpected call to mdlSetInputPortWidth";
inline constexpr char unexpectedOutputWidth[] = "Unexpected call to mdlSetOutputPortWidth";
inline constexpr char unexpectedStart[] = "Unexpected call to mdlStart";
inline constexpr char unexpectedInputComplexSignal[] = "Unexpected call to mdlSetInputPortComplexSignal";
inline constexpr char unexpectedOutputComplexSignal[] = "Unexpected call to mdlSetOutputPortComplexSignal";
inline constexpr char unexpectedInputSampleTime[] = "Unexpected call to mdlSetInputPortSampleTime";
inline constexpr char unexpectedOutputSampleTime[] = "Unexpected call to mdlSetOutputPortSampleTime";
inline constexpr char unexpectedInputDimensionInfo[] = "Unexpected call to mdlSetInputPortDimensionInfo";
inline constexpr char unexpectedOutputDimensionInfo[] = "Unexpected call to mdlSetOutputPortDimensionInfo";
inline constexpr char unexpectedInputFrameData[] = "Unexpected call to mdlSetInputPortFrameData";
inline constexpr char unexpectedDefaultDimensionInfo[] = "Unexpected call to mdlSetDefaultPortDimensionInfo";
inline constexpr char unexpectedDefaultDataTypes[] = "Unexpected call to mdlSetDefaultPortDataTypes";
inline constexpr char unexpectedDefaultComplexSignals[] = "Unexpected call to mdlSetDefaultPortComplexSignals";

// The stubs' texts; codes 103 and 108 store them directly.
inline constexpr char nextVariableHit[] =
    "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
    "mdlGetTimeOfNextVarHit routine";
inline constexpr char zeroCrossings[] =
    "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a "
    "mdlZeroCrossings routine";

}  // namespace quorbelin::messages

#endif
