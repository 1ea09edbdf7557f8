// Methods the block installs only to refuse: it has no variable sample time
// and no nonsampled zero crossings.
#ifndef QUORBELIN_BRIDGE_STUB_METHODS_H
#define QUORBELIN_BRIDGE_STUB_METHODS_H

#include "bridge/block_record.h"

namespace quorbelin {

inline constexpr char nextVariableHitMessage[] =
    "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
    "mdlGetTimeOfNextVarHit routine";
inline constexpr char zeroCrossingsMessage[] =
    "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a "
    "mdlZeroCrossings routine";

// [run time, no allocation] Stores nextVariableHitMessage.
void nextVariableHitStub(BlockRecord* record);
// [run time, no allocation] Stores zeroCrossingsMessage.
void zeroCrossingsStub(BlockRecord* record);

}  // namespace quorbelin

#endif
