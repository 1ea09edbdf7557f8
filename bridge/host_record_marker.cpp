#include "bridge/host_record_marker.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace quorbelin {

namespace {

// 2^64 as a double: the first value past the address range.
constexpr double addressRangeEnd = 18446744073709551616.0;

bool isMarkerVersion(double value) {
    return std::bit_cast<uint64_t>(value) ==
           std::bit_cast<uint64_t>(static_cast<double>(RECORD_VERSION));
}

}  // namespace

BlockRecord* hostRecordFromMarker(const kvArray* argument) {
    if (argument == nullptr || kvGetM(argument) != 2 || kvGetNumberOfElements(argument) < 2) {
        return nullptr;
    }
    const double* data = kvGetPr(argument);
    if (data == nullptr || !isMarkerVersion(data[1])) {
        return nullptr;
    }
    const double address = data[0];
    // The comparisons also refuse NaN; a fraction is no address.
    if (!(address > 0.0 && address < addressRangeEnd) || std::trunc(address) != address) {
        return nullptr;
    }
    return reinterpret_cast<BlockRecord*>(static_cast<uintptr_t>(address));
}

}  // namespace quorbelin
