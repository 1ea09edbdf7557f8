#include "bridge/error_slot.h"
#include "bridge/host_services.h"
#include "config/parameters.h"
#include "engine/delay_geometry.h"
#include "engine/delay_port_width.h"
#include "engine/delay_state.h"
#include "engine/engine_messages.h"
#include "engine/engine_methods.h"
#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/one_sample.h"
#include "engine/start_record.h"

namespace quorbelin {
namespace {

// The message when the ports no longer match the state and the delay mode,
// which is read afresh at every call; null when every read and write of the
// kernel stays inside what the host holds.
[[gnu::always_inline]] inline const char* portsMessage(const BlockRecord* record, const DelayGeometry& geometry,
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

// The state, the delay mode and the ports against a geometry: null when the
// kernel may run on them, otherwise the message. The mode is read here, once,
// so that the mode the ports are checked against is the one used; unless
// readMode is false, when either mode gives the same (perChannel stays false).
[[gnu::always_inline]] inline const char* stateAndPortsMessage(const BlockRecord* record, const DelayGeometry& geometry,
                                 bool readMode, DelayState& state, bool& perChannel) {
    if (const char* message = bindDelayState(record, geometry, state)) {
        return message;
    }
    if (*state.writeIndex < 0 || *state.writeIndex >= geometry.bufferLength) {
        return messages::writeIndexOutOfRange;
    }
    if (readMode) {
        perChannel = perChannelDelayMode(record);
    }
    return portsMessage(record, geometry, perChannel);
}

// The filter as the parameter holds it now. It is empty (linear
// interpolation) when it has no elements, that is no rows or no columns: it
// holds M x N of them.
InterpolationFilter filterFromParameter(const BlockRecord* record) {
    const kvArray* filterArray = parameter(record, interpFilterParameter);
    const int32_t rows = kvGetM(filterArray);
    const int32_t phases = kvGetN(filterArray);
    if (rows > 0 && phases > 0) {
        return {kvGetPr(filterArray), rows, phases};
    }
    return {};
}

DelayLineSizes lineSizes(const DelayGeometry& geometry) {
    return {geometry.channels, geometry.frameSize, geometry.maxDelay, geometry.halfLength,
            geometry.bufferLength};
}

[[gnu::always_inline]] inline void runKernel(const BlockRecord* record, const DelayGeometry& geometry,
               const InterpolationFilter& filter, const DelayState& state, bool perChannel) {
    const DelayLineSizes sizes = lineSizes(geometry);
    const DelayMode mode = perChannel ? DelayMode::perChannel : DelayMode::perSample;
    const FrameSignals signals{record->inputPorts[0].signal, record->inputPorts[1].signal,
                               record->outputPorts[0].signal};
    if (geometry.complex) {
        delayFrameComplex(sizes, filter, mode, signals, state.buffer, *state.writeIndex);
    } else {
        delayFrameReal(sizes, filter, mode, signals, state.buffer, *state.writeIndex);
    }
}

// One channel of one sample: the input and the one delay read here, where
// the checks have just vouched for them, and no frame to walk.
[[gnu::always_inline]] inline void runOneSample(const BlockRecord* record, const DelayGeometry& geometry,
                                                const InterpolationFilter& filter, const DelayState& state) {
    const DelayLineSizes sizes = lineSizes(geometry);
    const double* input = record->inputPorts[0].signal[0];
    const double delay = *record->inputPorts[1].signal[0];
    double* output = record->outputPorts[0].signal;
    if (geometry.complex) {
        kernel::delayOneSample<2>(sizes, filter, input, delay, output, state.buffer,
                                  *state.writeIndex);
    } else {
        kernel::delayOneSample<1>(sizes, filter, input, delay, output, state.buffer,
                                  *state.writeIndex);
    }
}

// Without a record from start that still holds, everything is derived afresh
// from the parameters and checked as start would have. A correct host never
// comes here: it guards against a method called out of order or a parameter
// changed during the run. Kept out of line, so that the checked call saves no
// registers for it.
[[gnu::noinline, gnu::cold]] void computeOutputsAfresh(BlockRecord* record) {
    DelayGeometry geometry;
    DelayState state;
    bool perChannel = false;
    const char* message = deriveDelayGeometry(record, geometry);
    if (message == nullptr) {
        message = stateAndPortsMessage(record, geometry, true, state, perChannel);
    }
    if (message != nullptr) {
        reportError(record, message);
        return;
    }
    runKernel(record, geometry, filterFromParameter(record), state, perChannel);
}

}  // namespace

// [run time, no allocation] Delays one frame of every channel. The ignored
// task argument is the host's (-2 or 0). What the fixed parameters give was
// derived at start; this call reads the delay mode, the ports and the state,
// and checks them against it.
void mdlComputeOutputs(BlockRecord* record, int32_t /*task*/) {
    const StartRecord* start = startRecord(record);
    if (start == nullptr || !startRecordHolds(record, *start)) {
        computeOutputsAfresh(record);
        return;
    }
    DelayState state;
    bool perChannel = false;
    if (const char* message = stateAndPortsMessage(record, start->geometry,
                                                   start->singleSample == 0, state, perChannel)) {
        reportError(record, message);
        return;
    }
    if (start->singleSample != 0) {
        runOneSample(record, start->geometry, start->filter, state);
    } else {
        runKernel(record, start->geometry, start->filter, state, perChannel);
    }
}

}  // namespace quorbelin
