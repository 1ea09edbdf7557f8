// Port width propagation. The data input and the output share one width W,
// a whole multiple of the channel count; the delay port carries one value
// per frame sample (W / N), or one per channel in per-channel delay mode.
#ifndef QUORBELIN_CONFIG_PORT_WIDTHS_H
#define QUORBELIN_CONFIG_PORT_WIDTHS_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

// [negotiation] Stores the width of input port `port` and fills or checks
// the widths tied to it. A width stored before a failed check stays stored.
// A port index outside the block's inputs writes and reports nothing.
void mdlSetInputPortWidth(BlockRecord* record, int32_t port, int32_t width);

// [negotiation] The same for output port `port`, paired with the input port
// of the same index.
void mdlSetOutputPortWidth(BlockRecord* record, int32_t port, int32_t width);

}  // namespace quorbelin

#endif
