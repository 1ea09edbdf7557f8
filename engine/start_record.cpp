#include "engine/start_record.h"

#include "bridge/host_services.h"
#include "config/parameters.h"

namespace quorbelin {

void deriveAtStart(const BlockRecord* record, StartRecord& start) {
    DelayGeometry geometry;
    if (deriveDelayGeometry(record, geometry) != nullptr) {
        return;
    }
    const kvArray* maxDelay = parameter(record, maxDelayParameter);
    const kvArray* numChannels = parameter(record, numChannelsParameter);
    const double* maxDelayData = kvGetPr(maxDelay);
    const double* numChannelsData = kvGetPr(numChannels);
    // Validation admits only scalars here; without one, nothing is kept.
    if (maxDelayData == nullptr || kvGetNumberOfElements(maxDelay) < 1 ||
        numChannelsData == nullptr || kvGetNumberOfElements(numChannels) < 1) {
        return;
    }
    const kvArray* filter = parameter(record, interpFilterParameter);
    const int32_t rows = kvGetM(filter);
    const int32_t phases = kvGetN(filter);
    start.filter = rows > 0 && phases > 0 ? InterpolationFilter{kvGetPr(filter), rows, phases}
                                          : InterpolationFilter{};
    start.geometry = geometry;
    for (int32_t i = 0; i < fixedParameterCount; ++i) {
        start.fixedParameters[i] = record->params[i];
    }
    start.maxDelayData = maxDelayData;
    start.numChannelsData = numChannelsData;
    start.maxDelayValue = maxDelayData[0];
    start.numChannelsValue = numChannelsData[0];
    start.dataWidth = record->inputPorts[0].width;
    start.singleSample = geometry.channels == 1 && geometry.frameSize == 1 ? 1 : 0;
    start.derived = 1;
}

}  // namespace quorbelin
