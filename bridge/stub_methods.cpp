#include "bridge/stub_methods.h"

#include "bridge/error_slot.h"

namespace quorbelin {

void nextVariableHitStub(BlockRecord* record) { reportError(record, nextVariableHitMessage); }

void zeroCrossingsStub(BlockRecord* record) { reportError(record, zeroCrossingsMessage); }

}  // namespace quorbelin
