// The host's call wrapper without copies, for the calls a host makes at every
// sample hit (method calls). invoke (vostrel_host.h) is the general form.
#ifndef QUORBELIN_HOST_CALL_WRAPPER_H
#define QUORBELIN_HOST_CALL_WRAPPER_H

#include <cstdint>
#include <span>
#include <string>

#include "host/vostrel_host.h"

namespace vostrel {

// One kivFunction call on slots and arguments the caller owns, inside the
// call's memory frame. leftSlots needs max(leftCount, 2) entries (HostError
// otherwise); the block may write them. Every array the call makes is
// reclaimed when it ends, one left in a slot included, and so is kvCalloc
// memory not made persistent. Returns false when kivErrMsgTxt abandoned the
// call, with its text in abandonMessage; any other exception becomes a
// HostError after the call's memory is reclaimed. Allocates nothing unless
// the call makes memory or is abandoned.
bool invokeInPlace(const BlockLibrary& library, int32_t leftCount, std::span<kvArray*> leftSlots,
                   std::span<const kvArray*> rightArgs, std::string& abandonMessage);

}  // namespace vostrel

#endif
