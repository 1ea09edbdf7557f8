// The delay engine's messages. Each is a constant text: a method stores its
// address in root->errorMessage and returns.
#ifndef QUORBELIN_ENGINE_ENGINE_MESSAGES_H
#define QUORBELIN_ENGINE_ENGINE_MESSAGES_H

namespace quorbelin::messages {

// mdlStart, in the order of its checks.
inline constexpr const char* memoryAllocationFailure = "Memory allocation failure";
inline constexpr const char* discreteSampleTimesRequired =
    "Inputs to block must have discrete sample times";
inline constexpr const char* perChannelDelayPortWidth =
    "When using per-channel delay mode, the delay port width must equal the number of channels";
inline constexpr const char* perSampleDelayPortWidth =
    "The width of the delay port must equal the frame size";
inline constexpr const char* initialConditionsNotNumeric =
    "The initial conditions must be numeric.  No strings, cell arrays, etc";
inline constexpr const char* initialConditionsTooManyDimensions =
    "The maximum dimensionality for the initial condition matrix is three";
inline constexpr const char* initialConditionsThirdDimension =
    "The third dimension of the IC's must equal the maximum delay";
inline constexpr const char* initialConditionsVector =
    "For vector initial conditions, the number of elements must equal one or the number of "
    "channels";
inline constexpr const char* initialConditionsArray =
    "For array initial conditions, the last dimension of the matrix must be either one or the "
    "maximum delay.  The product of the preceding dimensions must equal the number of channels";
inline constexpr const char* complexInitialConditionsForRealData =
    "Use real initial conditions with real data";

// The same text as the parameter check, for a maximum delay that reaches the
// engine unchecked.
inline constexpr const char* maxDelayNotPositive = "Maximum delay must be a scalar integer > 0";

// Sizes the host's 32-bit work-vector widths cannot carry.
inline constexpr const char* delayBufferTooLarge =
    "The delay buffer is too large: the number of channels times (maximum delay + filter "
    "half-length + 1) must not exceed 2147483647";

// Method calls out of the life cycle's order, or a host that changed what
// the delay state was sized from.
inline constexpr const char* portsNotDeclared =
    "The block's two input ports and one output port must be declared before its delay lines "
    "are set up";
inline constexpr const char* dataPortWidthUnsettled =
    "The width of the data port must be settled before the delay lines are sized";
inline constexpr const char* workVectorsMismatch =
    "The work vectors do not match the maximum delay, the filter length, the number of "
    "channels and the data port";
inline constexpr const char* initialConditionsNotAnalysed =
    "The initial conditions cannot be loaded before mdlStart has succeeded";
inline constexpr const char* writeIndexOutOfRange =
    "The delay state is corrupt: writeIndex lies outside the delay buffer";
inline constexpr const char* outputPortMismatch =
    "The output port must have the width and complexity of the data port";

}  // namespace quorbelin::messages

#endif
