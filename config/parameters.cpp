#include "config/parameters.h"

#include "bridge/int32_conversion.h"

namespace quorbelin {

double firstValue(const kvArray* array) {
    const double* data = kvGetPr(array);
    if (data == nullptr || kvGetNumberOfElements(array) < 1) {
        return 0.0;
    }
    return data[0];
}

int32_t maxDelaySamples(const BlockRecord* record) {
    return truncateToInt32(firstValue(parameter(record, maxDelayParameter)));
}

int32_t filterRows(const BlockRecord* record) {
    return kvGetM(parameter(record, interpFilterParameter));
}

int32_t filterHalfLength(const BlockRecord* record) { return filterRows(record) / 2; }

int32_t numChannelsSetting(const BlockRecord* record) {
    return truncateToInt32(firstValue(parameter(record, numChannelsParameter)));
}

bool perChannelDelayMode(const BlockRecord* record) {
    return firstValue(parameter(record, perChannelDelayParameter)) != 0.0;
}

int32_t channelCount(const BlockRecord* record) {
    const int32_t channels = numChannelsSetting(record);
    return channels == channelsFromPortWidth ? record->inputPorts[0].width : channels;
}

int32_t frameSize(const BlockRecord* record) {
    const int32_t channels = numChannelsSetting(record);
    if (channels == channelsFromPortWidth) {
        return 1;
    }
    // Validation admits no other count below 1; a host that runs methods on
    // unvalidated parameters gets no frame rather than a division by zero.
    return channels > 0 ? record->inputPorts[0].width / channels : 0;
}

}  // namespace quorbelin
