// Methods the block installs only to refuse: it has no variable sample time
// and no nonsampled zero crossings.
#ifndef QUORBELIN_BRIDGE_STUB_METHODS_H
#define QUORBELIN_BRIDGE_STUB_METHODS_H

#include "bridge/block_record.h"

namespace quorbelin {

// [run time, no allocation] Stores the next-variable-hit message.
void nextVariableHitStub(BlockRecord* record);
// [run time, no allocation] Stores the zero-crossing message.
void zeroCrossingsStub(BlockRecord* record);

}  // namespace quorbelin

#endif
