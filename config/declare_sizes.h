// The block's declaration to the host: five parameters, two dynamically
// sized inputs and one output, port-based sample times, work vectors later.
#ifndef QUORBELIN_CONFIG_DECLARE_SIZES_H
#define QUORBELIN_CONFIG_DECLARE_SIZES_H

#include "bridge/block_record.h"

namespace quorbelin {

// [size query] Declares nothing beyond numParams unless exactly five
// parameter values are given and pass mdlCheckParameters. Stops silently when
// a host operation answers 0; what it wrote until then stays.
void mdlDeclareSizes(BlockRecord* record);

}  // namespace quorbelin

#endif
