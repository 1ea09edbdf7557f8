#include "config/port_widths.h"

#include "bridge/error_slot.h"
#include "config/check_parameters.h"
#include "config/parameters.h"
#include "config/ports.h"

namespace quorbelin {

namespace {

constexpr char inputNotMultipleMessage[] =
    "Input port width must be a multiple of the number of channels";
constexpr char outputNotMultipleMessage[] =
    "Output port width must be a multiple of the number of channels";
constexpr char pairMismatchMessage[] = "Input/Output port pairs must have the same width";
constexpr char delayNotFrameSizeMessage[] = "Delay port width must equal the frame size";
constexpr char perChannelDelayMessage[] =
    "When using per-channel delay mode, the delay port width must equal the number of channels";

struct ChannelLayout {
    int32_t channels;  // N: -1 when every element is a channel
    bool perChannelDelay;
};

// Validation admits no channel count of 0; a host that proposes widths on
// unvalidated parameters gets the parameter's own message, not a division
// by 0.
bool readLayout(BlockRecord* record, ChannelLayout& layout) {
    if (!hasAllParameters(record)) {
        reportError(record, missingParametersMessage);
        return false;
    }
    layout = {numChannelsSetting(record), perChannelDelayMode(record)};
    if (layout.channels == 0) {
        reportError(record, numChannelsMessage);
        return false;
    }
    return true;
}

bool isWholeMultiple(int32_t width, const ChannelLayout& layout) {
    return layout.channels == channelsFromPortWidth || width % layout.channels == 0;
}

int32_t frameSizeOf(int32_t width, const ChannelLayout& layout) {
    return layout.channels == channelsFromPortWidth ? 1 : width / layout.channels;
}

// Fills an unknown width with `expected`; a known one must equal it.
template <typename Port>
bool settleWidth(Port& port, int32_t expected) {
    if (port.width == DYNAMICALLY_SIZED) {
        port.width = expected;
        return true;
    }
    return port.width == expected;
}

// The delay port follows the frame size, except in per-channel delay mode.
void settleDelayPort(BlockRecord* record, int32_t frame, const ChannelLayout& layout) {
    if (layout.perChannelDelay || !isInputPort(record, delayInputPort)) {
        return;
    }
    if (!settleWidth(record->inputPorts[delayInputPort], frame)) {
        reportError(record, delayNotFrameSizeMessage);
    }
}

void setDataInputWidth(BlockRecord* record, int32_t width, const ChannelLayout& layout) {
    if (!isWholeMultiple(width, layout)) {
        reportError(record, inputNotMultipleMessage);
        return;
    }
    const int32_t frame = frameSizeOf(width, layout);
    record->inputPorts[dataInputPort].width = width;
    if (isOutputPort(record, delayedOutputPort) &&
        !settleWidth(record->outputPorts[delayedOutputPort], width)) {
        reportError(record, pairMismatchMessage);
        return;
    }
    settleDelayPort(record, frame, layout);
}

void setDelayInputWidth(BlockRecord* record, int32_t width, const ChannelLayout& layout) {
    record->inputPorts[delayInputPort].width = width;
    if (!layout.perChannelDelay) {
        // Compared with the frame size once the data width is known.
        return;
    }
    // With N = -1 the channel count is the data width; until that is known
    // the start-time check decides.
    const int32_t channels = layout.channels != channelsFromPortWidth
                                 ? layout.channels
                                 : record->inputPorts[dataInputPort].width;
    if (channels != DYNAMICALLY_SIZED && width != channels) {
        reportError(record, perChannelDelayMessage);
    }
}

}  // namespace

void mdlSetInputPortWidth(BlockRecord* record, int32_t port, int32_t width) {
    if (!isInputPort(record, port) || (port != dataInputPort && port != delayInputPort)) {
        return;
    }
    ChannelLayout layout{};
    if (!readLayout(record, layout)) {
        return;
    }
    if (port == dataInputPort) {
        setDataInputWidth(record, width, layout);
    } else {
        setDelayInputWidth(record, width, layout);
    }
}

void mdlSetOutputPortWidth(BlockRecord* record, int32_t port, int32_t width) {
    if (!isOutputPort(record, port) || !isInputPort(record, port)) {
        return;
    }
    ChannelLayout layout{};
    if (!readLayout(record, layout)) {
        return;
    }
    if (!isWholeMultiple(width, layout)) {
        reportError(record, outputNotMultipleMessage);
        return;
    }
    const int32_t frame = frameSizeOf(width, layout);
    record->outputPorts[port].width = width;
    if (!settleWidth(record->inputPorts[port], width)) {
        reportError(record, pairMismatchMessage);
        return;
    }
    settleDelayPort(record, frame, layout);
}

}  // namespace quorbelin
