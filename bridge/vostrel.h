// The block library's one exported operation. The sign of leftCount selects
// the mode: 0 or more a size query, below 0 a method call whose record is in
// leftResults[1] and whose code is the first value of rightArgs[3].
#ifndef QUORBELIN_BRIDGE_VOSTREL_H
#define QUORBELIN_BRIDGE_VOSTREL_H

#include <stdint.h>

#include "bridge/host_services.h"

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) void kivFunction(int32_t leftCount, kvArray* leftResults[],
                                                        int32_t rightCount,
                                                        const kvArray* rightArgs[]);

#ifdef __cplusplus
}
#endif

#endif
