#include "bridge/error_slot.h"
#include "bridge/host_services.h"
#include "config/parameters.h"
#include "engine/delay_geometry.h"
#include "engine/delay_port_width.h"
#include "engine/engine_messages.h"
#include "engine/engine_methods.h"
#include "engine/ic_shape.h"
#include "engine/start_record.h"

namespace quorbelin {
// [start] Checks the settled configuration once more and publishes the
// block's record in userData: the initial conditions' shape, then what the
// output call needs from the fixed parameters. The record is published before
// the configuration is checked, so release frees it whichever check fails;
// the shape's fields stay 0 until it is known, and the rest is filled in only
// when every check has passed.
void mdlStart(BlockRecord* record) {
    if (const char* message = undeclaredBlockMessage(record)) {
        reportError(record, message);
        return;
    }
    const int32_t maxDelay = maxDelaySamples(record);
    const kvArray* initialConditions = parameter(record, initialConditionsParameter);
    const int32_t dimensionCount = kvGetNumberOfDimensions(initialConditions);
    const int32_t* dimensions = kvGetDimensions(initialConditions);
    const bool perChannel = perChannelDelayMode(record);
    const int32_t delayPortWidth = record->inputPorts[1].width;

    auto* start = static_cast<StartRecord*>(kvCalloc(1, sizeof(StartRecord)));
    if (start == nullptr) {
        reportError(record, messages::memoryAllocationFailure);
        return;
    }
    kivMakeMemoryPersistent(start);
    record->userData = start;
    ICShape* shape = &start->shape;

    if (record->sampleTimes != nullptr && record->sampleTimes[0] == 0.0) {
        reportError(record, messages::discreteSampleTimesRequired);
        return;
    }
    const int32_t channels = channelCount(record);
    if (const char* message =
            delayPortWidthMessage(delayPortWidth, channels, frameSize(record), perChannel)) {
        reportError(record, message);
        return;
    }
    if (!(kvIsNumeric(initialConditions) & 1u)) {
        reportError(record, messages::initialConditionsNotNumeric);
        return;
    }
    if (dimensionCount > 3) {
        reportError(record, messages::initialConditionsTooManyDimensions);
        return;
    }
    ICShape reduced{};
    if (const char* message =
            reduceICShape(kvGetNumberOfElements(initialConditions), dimensionCount, dimensions,
                          channels, maxDelay, reduced)) {
        reportError(record, message);
        return;
    }
    *shape = reduced;
    // Real initial conditions serve complex data (imaginary parts 0), not
    // the reverse.
    if ((kvIsComplex(initialConditions) & 1u) &&
        record->inputPorts[0].complexity == COMPLEXITY_REAL) {
        reportError(record, messages::complexInitialConditionsForRealData);
        return;
    }
    deriveAtStart(record, *start);
}

}  // namespace quorbelin
