#include "bridge/stub_methods.h"

#include "bridge/error_slot.h"
#include "bridge/vostrel_messages.h"

namespace quorbelin {

void nextVariableHitStub(BlockRecord* record) { reportError(record, messages::nextVariableHit); }

void zeroCrossingsStub(BlockRecord* record) { reportError(record, messages::zeroCrossings); }

}  // namespace quorbelin
