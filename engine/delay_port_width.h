// The delay port's width against the delay mode: checked at start, and again
// at every output call because the mode is read afresh there.
#ifndef QUORBELIN_ENGINE_DELAY_PORT_WIDTH_H
#define QUORBELIN_ENGINE_DELAY_PORT_WIDTH_H

#include <cstdint>

namespace quorbelin {

// Null when the delay port carries one delay per channel (per-channel mode)
// or one per frame sample (per-sample mode); otherwise the message.
const char* delayPortWidthMessage(int32_t delayPortWidth, int32_t channels, int32_t frameSize,
                                  bool perChannel);

}  // namespace quorbelin

#endif
