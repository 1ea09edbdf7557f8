#include "bridge/host_services.h"
#include "engine/engine_methods.h"

namespace quorbelin {

// [end] Frees the block's record (its ICShape first). Clearing userData makes a repeated release
// harmless and lets the next start publish a fresh record.
void mdlRelease(BlockRecord* record) {
    if (record->userData != nullptr) {
        kvFree(record->userData);
        record->userData = nullptr;
    }
}

}  // namespace quorbelin
