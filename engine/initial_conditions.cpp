#include <cstddef>

#include "bridge/error_slot.h"
#include "bridge/host_services.h"
#include "config/parameters.h"
#include "engine/delay_geometry.h"
#include "engine/delay_state.h"
#include "engine/engine_messages.h"
#include "engine/engine_methods.h"
#include "engine/ic_shape.h"
#include "engine/start_record.h"

namespace quorbelin {
namespace {

// True when shape is one that mdlStart gives for this geometry and the array
// holds every element the matching case reads.
bool shapeFits(const ICShape& shape, const DelayGeometry& geometry, int32_t elementCount) {
    const int32_t channels = geometry.channels;
    if (shape.icChannels == 1 && shape.icDepth == 1) {
        return true;
    }
    if (shape.icChannels != channels) {
        return false;
    }
    if (shape.icDepth == 1) {
        return elementCount >= channels;
    }
    return shape.icDepth == geometry.maxDelay &&
           int64_t{elementCount} >= int64_t{channels} * geometry.maxDelay;
}

// Writes entry e of a buffer of one double (real) or a pair (complex) per
// entry.
inline void setEntry(double* buffer, bool complex, std::size_t e, double real, double imag) {
    if (complex) {
        buffer[2 * e] = real;
        buffer[2 * e + 1] = imag;
    } else {
        buffer[e] = real;
    }
}

}  // namespace

// [start, after mdlStart] Loads writeIndex and the delay lines from the
// initial conditions, spread as the shape found at start prescribes. Entry k
// (k < Dmax) of a channel stands for the input Dmax + H - k samples before
// the first one; in the per-channel cases entries Dmax ... L - 1 keep what
// the storage held.
void mdlInitializeConditions(BlockRecord* record) {
    DelayGeometry geometry;
    DelayState state;
    if (const char* message = deriveDelayGeometry(record, geometry)) {
        reportError(record, message);
        return;
    }
    if (const char* message = bindDelayState(record, geometry, state)) {
        reportError(record, message);
        return;
    }
    const kvArray* initialConditions = parameter(record, initialConditionsParameter);
    const int32_t elementCount = kvGetNumberOfElements(initialConditions);
    const StartRecord* start = startRecord(record);
    const ICShape* shape = start != nullptr ? &start->shape : nullptr;
    if (shape == nullptr || !shapeFits(*shape, geometry, elementCount)) {
        reportError(record, messages::initialConditionsNotAnalysed);
        return;
    }

    // The first sample stored by the output computation lands in entry L - 1.
    *state.writeIndex = geometry.bufferLength - 2;

    // Missing data read as 0.0: an empty array has no real parts, a real one
    // no imaginary parts.
    const double* real = kvGetPr(initialConditions);
    const double* imag = geometry.complex ? kvGetPi(initialConditions) : nullptr;
    const bool complex = geometry.complex;
    const std::size_t length = static_cast<std::size_t>(geometry.bufferLength);

    if (shape->icChannels == 1 && shape->icDepth == 1) {
        const bool present = real != nullptr && elementCount >= 1;
        const double value = present ? real[0] : 0.0;
        const double valueImag = imag != nullptr && elementCount >= 1 ? imag[0] : 0.0;
        for (std::size_t e = 0; e < static_cast<std::size_t>(geometry.bufferWidth); ++e) {
            setEntry(state.buffer, complex, e, value, valueImag);
        }
        return;
    }
    const bool perPosition = shape->icDepth != 1;
    const std::size_t channels = static_cast<std::size_t>(geometry.channels);
    for (std::size_t c = 0; c < channels; ++c) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(geometry.maxDelay); ++k) {
            // Column-major: channel c within the leading dimensions, the last
            // dimension running over delay positions.
            const std::size_t n = perPosition ? c + k * channels : c;
            const double value = real != nullptr ? real[n] : 0.0;
            const double valueImag = imag != nullptr ? imag[n] : 0.0;
            setEntry(state.buffer, complex, c * length + k, value, valueImag);
        }
    }
}

}  // namespace quorbelin
