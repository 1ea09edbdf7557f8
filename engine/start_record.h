// The block's own record, hung from userData from mdlStart to mdlRelease:
// the initial conditions' shape, and what start derived from the parameters
// the host may not change while the simulation runs (0 to 3: maximum delay,
// filter, initial conditions, number of channels) and from the settled data
// port. The output call then reads only the delay mode, the port signals and
// the state, and checks cheaply that the record still describes them; what
// it cannot vouch for sends the call back to deriving everything afresh.
#ifndef QUORBELIN_ENGINE_START_RECORD_H
#define QUORBELIN_ENGINE_START_RECORD_H

#include <cstddef>
#include <cstdint>

#include "bridge/block_record.h"
#include "config/parameters.h"
#include "engine/delay_geometry.h"
#include "engine/ic_shape.h"
#include "engine/kernel/fractional_delay.h"

namespace quorbelin {

// Parameters 0 ... fixedParameterCount - 1 stay as start saw them.
inline constexpr int32_t fixedParameterCount = 4;

struct StartRecord {
    ICShape shape;  // first: the ICShape record the initial conditions use
    // 1 once start has succeeded and filled in everything below; until then
    // the output call derives everything afresh.
    int32_t derived;
    DelayGeometry geometry;
    const kvArray* fixedParameters[fixedParameterCount];  // the arrays read at start
    // The scalar values the geometry came from, and where they are held: a
    // host that writes another value into the same array is caught too.
    const double* maxDelayData;
    const double* numChannelsData;
    double maxDelayValue;
    double numChannelsValue;
    InterpolationFilter filter;  // the filter's taps where the host holds them
    int32_t dataWidth;           // input port 0's width at start
    // One channel of one sample: both delay modes read delay element 0 for
    // it and need a delay port of width 1, so the call need not read the mode.
    int32_t singleSample;
};
static_assert(offsetof(StartRecord, shape) == 0);

// The record, or null before start.
inline const StartRecord* startRecord(const BlockRecord* record) {
    return static_cast<const StartRecord*>(record->userData);
}

// Fills in what start derives, once every check of start has passed; leaves
// the record underived when the geometry cannot be derived (the output call
// then reports why).
void deriveAtStart(const BlockRecord* record, StartRecord& start);

// True when the record was derived and the parameters 0 to 3 and the data
// port are still the ones it was derived from, and the delay-mode parameter
// is there to be read. Inline: the output call runs it every time.
inline bool startRecordHolds(const BlockRecord* record, const StartRecord& start) {
    if (start.derived != 1 || record->params == nullptr ||
        record->numParamsGiven < parameterCount ||
        record->params[perChannelDelayParameter] == nullptr) {
        return false;
    }
    for (int32_t i = 0; i < fixedParameterCount; ++i) {
        if (record->params[i] != start.fixedParameters[i]) {
            return false;
        }
    }
    return *start.maxDelayData == start.maxDelayValue &&
           *start.numChannelsData == start.numChannelsValue && record->inputPorts != nullptr && record->sizes[numInputPorts] >= 2 &&
           record->outputPorts != nullptr && record->sizes[numOutputPorts] >= 1 &&
           record->inputPorts[0].width == start.dataWidth &&
           (record->inputPorts[0].complexity == COMPLEXITY_COMPLEX) == start.geometry.complex;
}

}  // namespace quorbelin

#endif
