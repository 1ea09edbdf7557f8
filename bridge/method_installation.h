// Registration of the block's methods in the host's method table.
#ifndef QUORBELIN_BRIDGE_METHOD_INSTALLATION_H
#define QUORBELIN_BRIDGE_METHOD_INSTALLATION_H

#include "bridge/block_record.h"

namespace quorbelin {

// [size query] Fills the block's sixteen slots, leaves the host's slots
// (the data-type methods among them) as they are, and clears portFlags bit 0
// so that ports are negotiated through the width methods.
void installBlockMethods(BlockRecord* record);

}  // namespace quorbelin

#endif
