// How a size query recognises the host's record: right-hand argument 2 is a
// 2-row array [address; RECORD_VERSION], the address a whole number.
#ifndef QUORBELIN_BRIDGE_HOST_RECORD_MARKER_H
#define QUORBELIN_BRIDGE_HOST_RECORD_MARKER_H

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace quorbelin {

// [size query] The host's record, or null when the argument is no marker (the
// query is then a plain one): not 2 rows, no real data, a second element
// other than exactly 5200229.0, or a first element that is not a nonzero
// whole number in the address range.
BlockRecord* hostRecordFromMarker(const kvArray* argument);

}  // namespace quorbelin

#endif
