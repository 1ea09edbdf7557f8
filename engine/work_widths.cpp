#include "bridge/error_slot.h"
#include "engine/delay_geometry.h"
#include "engine/delay_state.h"
#include "engine/engine_methods.h"

namespace quorbelin {

// [negotiation done] Runs once widths and complexity are settled. The host
// allocates the storage from what is declared here, so a width that does not
// fit 32 bits is refused before any work vector is declared.
void mdlSetWorkWidths(BlockRecord* record) {
    DelayGeometry geometry;
    if (const char* message = deriveDelayGeometry(record, geometry)) {
        reportError(record, message);
        return;
    }
    if (record->setNumWorkVectors == nullptr ||
        record->setNumWorkVectors(record, workVectorCount) == 0) {
        return;
    }
    WorkVectorRecord* vectors = record->workVectors;
    vectors[writeIndexVector].width = 1;
    vectors[writeIndexVector].dataType = WORK_TYPE_INT32;
    // The buffer's data type stays the host's default, doubles.
    vectors[delayBufferVector].width = geometry.bufferWidth;
    if (geometry.complex) {
        vectors[delayBufferVector].complexity = COMPLEXITY_COMPLEX;
    }
}

}  // namespace quorbelin
