#include "engine/delay_geometry.h"

#include <limits>

#include "config/check_parameters.h"
#include "config/parameters.h"
#include "engine/engine_messages.h"

namespace quorbelin {

const char* undeclaredBlockMessage(const BlockRecord* record) {
    if (!hasAllParameters(record)) {
        return missingParametersMessage;
    }
    if (record->inputPorts == nullptr || record->sizes[numInputPorts] < 2 ||
        record->outputPorts == nullptr || record->sizes[numOutputPorts] < 1) {
        return messages::portsNotDeclared;
    }
    return nullptr;
}

const char* deriveDelayGeometry(const BlockRecord* record, DelayGeometry& geometry) {
    if (const char* message = undeclaredBlockMessage(record)) {
        return message;
    }
    const InputPortRecord& data = record->inputPorts[0];
    if (data.width < 0) {
        return messages::dataPortWidthUnsettled;
    }
    const int32_t maxDelay = maxDelaySamples(record);
    if (maxDelay < 1) {
        return messages::maxDelayNotPositive;
    }
    const int32_t halfLength = filterHalfLength(record);
    const int32_t channels = channelCount(record);
    const int32_t frame = frameSize(record);
    if (channels < 0 || frame < 0) {
        return messages::dataPortWidthUnsettled;
    }

    constexpr int64_t widthLimit = std::numeric_limits<int32_t>::max();
    const int64_t length = int64_t{maxDelay} + halfLength + 1;
    const int64_t width = int64_t{channels} * length;
    if (length > widthLimit || width > widthLimit) {
        return messages::delayBufferTooLarge;
    }

    geometry.maxDelay = maxDelay;
    geometry.halfLength = halfLength;
    geometry.bufferLength = static_cast<int32_t>(length);
    geometry.channels = channels;
    geometry.frameSize = frame;
    geometry.bufferWidth = static_cast<int32_t>(width);
    geometry.complex = data.complexity == COMPLEXITY_COMPLEX;
    return nullptr;
}

}  // namespace quorbelin
