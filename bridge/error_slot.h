// The one way a block method reports a failure: a constant text in the root
// record's error slot. The block never clears the slot; the host does.
#ifndef QUORBELIN_BRIDGE_ERROR_SLOT_H
#define QUORBELIN_BRIDGE_ERROR_SLOT_H

#include "bridge/block_record.h"

namespace quorbelin {

inline void reportError(BlockRecord* record, const char* message) {
    record->root->errorMessage = message;
}

inline bool hasError(const BlockRecord* record) {
    return record->root->errorMessage != nullptr;
}

}  // namespace quorbelin

#endif
