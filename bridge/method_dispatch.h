// The method call: the entry point with a negative left-hand count.
#ifndef QUORBELIN_BRIDGE_METHOD_DISPATCH_H
#define QUORBELIN_BRIDGE_METHOD_DISPATCH_H

#include <cstdint>

#include "bridge/host_services.h"

namespace quorbelin {

// Runs the method that the code in rightArgs[3] names on the record in
// leftResults[1], with the port index from sizes[methodArgument] and the
// values from the record's callArgs, or stores the code's refusal in the
// root's error slot. Never abandons the call. Without a record it touches
// nothing; without a usable code it stores the invalid-flag message.
void handleMethodCall(kvArray* leftResults[], int32_t rightCount, const kvArray* rightArgs[]);

}  // namespace quorbelin

#endif
