#include "config/check_parameters.h"

#include "bridge/error_slot.h"
#include "bridge/int32_conversion.h"
#include "config/parameters.h"

namespace quorbelin {

namespace {

constexpr char filterMessage[] = "Interpolation filter must be a real double matrix";
constexpr char maxDelayNotScalarMessage[] = "Maximum delay must be a positive scalar integer";
constexpr char maxDelayNotPositiveMessage[] = "Maximum delay must be a scalar integer > 0";

bool isSizesOnlyCall(const BlockRecord* record) {
    return record->callArgs != nullptr && record->callArgs->callMode == CALL_MODE_SIZES_ONLY;
}

bool isRealDoubleOrEmpty(const kvArray* filter) {
    return kvIsEmpty(filter) || (kvIsDouble(filter) && !kvIsComplex(filter));
}

bool isPositiveInt32(double value) { return isInt32(value) && value > 0.0; }

// A NaN is not below 1.0 and so reaches the integer test, which refuses it.
bool isChannelSetting(double value) {
    if (value < 1.0 && value != static_cast<double>(channelsFromPortWidth)) {
        return false;
    }
    return isInt32(value);
}

}  // namespace

void mdlCheckParameters(BlockRecord* record) {
    if (!hasAllParameters(record)) {
        reportError(record, missingParametersMessage);
        return;
    }
    const kvArray* maxDelay = parameter(record, maxDelayParameter);
    const kvArray* numChannels = parameter(record, numChannelsParameter);
    const int32_t maxDelayElements = kvGetNumberOfElements(maxDelay);
    const int32_t numChannelsElements = kvGetNumberOfElements(numChannels);
    const bool sizesOnly = isSizesOnlyCall(record);

    if (!sizesOnly && !isRealDoubleOrEmpty(parameter(record, interpFilterParameter))) {
        reportError(record, filterMessage);
        return;
    }

    if (!(sizesOnly && maxDelayElements == 0)) {
        if (maxDelayElements != 1) {
            reportError(record, maxDelayNotScalarMessage);
            return;
        }
        if (!isPositiveInt32(firstValue(maxDelay))) {
            reportError(record, maxDelayNotPositiveMessage);
            return;
        }
    }

    if (sizesOnly && numChannelsElements == 0) {
        return;
    }
    if (numChannelsElements != 1 || !isChannelSetting(firstValue(numChannels))) {
        reportError(record, numChannelsMessage);
    }
}

}  // namespace quorbelin
