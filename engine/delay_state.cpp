#include "engine/delay_state.h"

#include "engine/engine_messages.h"

namespace quorbelin {

const char* bindDelayState(const BlockRecord* record, const DelayGeometry& geometry,
                           DelayState& state) {
    const WorkVectorRecord* vectors = record->workVectors;
    if (vectors == nullptr) {
        return messages::workVectorsMismatch;
    }
    const WorkVectorRecord& index = vectors[writeIndexVector];
    const WorkVectorRecord& buffer = vectors[delayBufferVector];
    const bool bufferComplex = buffer.complexity == COMPLEXITY_COMPLEX;
    if (index.width != 1 || index.dataType != WORK_TYPE_INT32 || index.data == nullptr ||
        buffer.width != geometry.bufferWidth || bufferComplex != geometry.complex ||
        (buffer.data == nullptr && geometry.bufferWidth > 0)) {
        return messages::workVectorsMismatch;
    }
    state.writeIndex = static_cast<int32_t*>(index.data);
    state.buffer = static_cast<double*>(buffer.data);
    return nullptr;
}

}  // namespace quorbelin
