// The record a plain size query builds for itself. Everything in it comes
// from kvCalloc without being made persistent, so the host reclaims it when
// the query returns.
#ifndef QUORBELIN_BRIDGE_STAND_ALONE_RECORD_H
#define QUORBELIN_BRIDGE_STAND_ALONE_RECORD_H

#include <cstdint>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace quorbelin {

// [size query] A zero-filled record that is its own root, in sizes-only call
// mode, named after the block, with right-hand arguments 5 onward as its
// parameter values (not copies) and one zeroed attribute word for each.
// Abandons the call when the host has no memory for it.
BlockRecord* createStandAloneRecord(int32_t rightCount, const kvArray* rightArgs[]);

// [size query] The stand-alone record's port-count operations; the context
// is the record. They give zero-filled port records, set bit 1 of portFlags
// and answer 1, or answer 0 and change nothing for a negative count or when
// the ports cannot be allocated.
int32_t standAloneSetNumInputPorts(void* context, int32_t count);
int32_t standAloneSetNumOutputPorts(void* context, int32_t count);

}  // namespace quorbelin

#endif
