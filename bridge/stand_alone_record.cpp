#include "bridge/stand_alone_record.h"

#include "bridge/abandon_call.h"
#include "bridge/block_identity.h"
#include "bridge/vostrel_messages.h"

namespace quorbelin {

namespace {

template <typename T>
T* zeroFilled(size_t count) {
    return static_cast<T*>(kvCalloc(count, sizeof(T)));
}

[[noreturn]] void abandonOutOfMemory() { abandonCallWith(messages::outOfMemory, entryLabel); }

// Allocates first, so that a failed allocation leaves the record unchanged.
template <typename Port>
int32_t setPortCount(BlockRecord* record, int32_t count, int sizesIndex, Port*& ports) {
    if (count < 0) {
        return 0;
    }
    if (count > 0) {
        Port* allocated = zeroFilled<Port>(static_cast<size_t>(count));
        if (allocated == nullptr) {
            return 0;
        }
        ports = allocated;
    }
    record->sizes[sizesIndex] = count;
    record->sizes[portFlags] =
        static_cast<int32_t>(static_cast<uint32_t>(record->sizes[portFlags]) | PORT_FLAGS_STAND_ALONE);
    return 1;
}

}  // namespace

BlockRecord* createStandAloneRecord(int32_t rightCount, const kvArray* rightArgs[]) {
    const int32_t parameterValues = rightCount > 4 ? rightCount - 4 : 0;

    BlockRecord* record = zeroFilled<BlockRecord>(1);
    CallArgs* callArgs = zeroFilled<CallArgs>(1);
    if (record == nullptr || callArgs == nullptr) {
        abandonOutOfMemory();
    }
    callArgs->callMode = CALL_MODE_SIZES_ONLY;

    record->root = record;
    record->callArgs = callArgs;
    record->numParamsGiven = parameterValues;
    record->blockName = compiledBlockName;
    record->blockPath = compiledBlockName;

    if (parameterValues > 0) {
        const size_t count = static_cast<size_t>(parameterValues);
        const kvArray** params = zeroFilled<const kvArray*>(count);
        // The declaration marks parameters 0 to 3 once five values pass
        // validation, so every value gets a writable attribute word.
        uint32_t* attributes = zeroFilled<uint32_t>(count);
        if (params == nullptr || attributes == nullptr) {
            abandonOutOfMemory();
        }
        for (int32_t i = 0; i < parameterValues; ++i) {
            params[i] = rightArgs[4 + i];
        }
        record->params = params;
        record->paramAttributes = attributes;
    }

    record->setNumInputPorts = standAloneSetNumInputPorts;
    record->setNumInputPortsContext = record;
    record->setNumOutputPorts = standAloneSetNumOutputPorts;
    record->setNumOutputPortsContext = record;
    return record;
}

int32_t standAloneSetNumInputPorts(void* context, int32_t count) {
    BlockRecord* record = static_cast<BlockRecord*>(context);
    return setPortCount(record, count, numInputPorts, record->inputPorts);
}

int32_t standAloneSetNumOutputPorts(void* context, int32_t count) {
    BlockRecord* record = static_cast<BlockRecord*>(context);
    return setPortCount(record, count, numOutputPorts, record->outputPorts);
}

}  // namespace quorbelin
