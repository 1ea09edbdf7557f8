// The size query: the entry point with a left-hand count of 0 or more.
#ifndef QUORBELIN_BRIDGE_SIZE_QUERY_H
#define QUORBELIN_BRIDGE_SIZE_QUERY_H

#include <cstdint>

#include "bridge/host_services.h"

namespace quorbelin {

// [size query] Checks the arguments, registers the block on the host's record
// (or builds a stand-alone record for a plain query), runs the declaration
// and puts the 38 x 1 SizesVector in leftResults[0]. A failed argument or
// name check abandons the call through kivErrMsgTxt.
void handleSizeQuery(int32_t leftCount, kvArray* leftResults[], int32_t rightCount,
                     const kvArray* rightArgs[]);

}  // namespace quorbelin

#endif
