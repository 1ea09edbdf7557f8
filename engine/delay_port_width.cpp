#include "engine/delay_port_width.h"

#include "engine/engine_messages.h"

namespace quorbelin {

const char* delayPortWidthMessage(int32_t delayPortWidth, int32_t channels, int32_t frameSize,
                                  bool perChannel) {
    if (perChannel) {
        return delayPortWidth == channels ? nullptr : messages::perChannelDelayPortWidth;
    }
    return delayPortWidth == frameSize ? nullptr : messages::perSampleDelayPortWidth;
}

}  // namespace quorbelin
