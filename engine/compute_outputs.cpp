#include "bridge/error_slot.h"
#include "bridge/host_services.h"
#include "config/parameters.h"
#include "engine/delay_geometry.h"
#include "engine/delay_port_width.h"
#include "engine/delay_state.h"
#include "engine/engine_messages.h"
#include "engine/engine_methods.h"
#include "engine/kernel/fractional_delay.h"

namespace quorbelin {
namespace {

// The message when the ports no longer match the state and the delay mode,
// which is read afresh at every call; null when every read and write of the
// kernel stays inside what the host holds.
const char* portsMessage(const BlockRecord* record, const DelayGeometry& geometry,
                         bool perChannel) {
    const int64_t elements = int64_t{geometry.channels} * geometry.frameSize;
    if (const char* message = delayPortWidthMessage(record->inputPorts[1].width,
                                                    geometry.channels, geometry.frameSize,
                                                    perChannel)) {
        return message;
    }
    const OutputPortRecord& output = record->outputPorts[0];
    if (output.width != elements ||
        (output.complexity == COMPLEXITY_COMPLEX) != geometry.complex ||
        (elements > 0 && output.signal == nullptr)) {
        return messages::outputPortMismatch;
    }
    return nullptr;
}

// Fills geometry and state and returns null when the kernel may run on them;
// otherwise the message. A correct host never sees one: each guards against
// a method called out of order or a parameter changed during the run.
const char* runTimeMessage(const BlockRecord* record, DelayGeometry& geometry, DelayState& state,
                           bool& perChannel) {
    if (const char* message = deriveDelayGeometry(record, geometry)) {
        return message;
    }
    if (const char* message = bindDelayState(record, geometry, state)) {
        return message;
    }
    if (*state.writeIndex < 0 || *state.writeIndex >= geometry.bufferLength) {
        return messages::writeIndexOutOfRange;
    }
    // Read once, now that the parameters are known to be there: the mode the
    // ports are checked against is the one used.
    perChannel = perChannelDelayMode(record);
    return portsMessage(record, geometry, perChannel);
}

}  // namespace

// [run time, no allocation] Delays one frame of every channel. The ignored
// task argument is the host's (-2 or 0).
void mdlComputeOutputs(BlockRecord* record, int32_t /*task*/) {
    DelayGeometry geometry;
    DelayState state;
    bool perChannel = false;
    if (const char* message = runTimeMessage(record, geometry, state, perChannel)) {
        reportError(record, message);
        return;
    }

    // The filter is empty (linear interpolation) when it has no elements,
    // that is no rows or no columns: it holds M x N of them.
    const kvArray* filterArray = parameter(record, interpFilterParameter);
    const int32_t rows = kvGetM(filterArray);
    const int32_t phases = kvGetN(filterArray);
    InterpolationFilter filter;
    if (rows > 0 && phases > 0) {
        filter = {kvGetPr(filterArray), rows, phases};
    }
    const DelayLineSizes sizes{geometry.channels, geometry.frameSize, geometry.maxDelay,
                               geometry.halfLength, geometry.bufferLength};
    const DelayMode mode = perChannel ? DelayMode::perChannel : DelayMode::perSample;
    const FrameSignals signals{record->inputPorts[0].signal, record->inputPorts[1].signal,
                               record->outputPorts[0].signal};
    if (geometry.complex) {
        delayFrameComplex(sizes, filter, mode, signals, state.buffer, *state.writeIndex);
    } else {
        delayFrameReal(sizes, filter, mode, signals, state.buffer, *state.writeIndex);
    }
}

}  // namespace quorbelin
