// libblockaux: support services a block calls.
#include <cmath>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

extern "C" {

// An input port is discrete when its period is finite and positive; a block
// without input ports passes vacuously.
uint8_t areAllInputPortsDiscreteSampleTime(BlockRecord* record) {
    if (record == nullptr) {
        return 0;
    }
    const int32_t count = record->sizes[numInputPorts];
    if (count > 0 && record->inputPorts == nullptr) {
        return 0;
    }
    for (int32_t port = 0; port < count; ++port) {
        const double period = record->inputPorts[port].samplePeriod;
        if (!std::isfinite(period) || !(period > 0.0)) {
            return 0;
        }
    }
    return 1;
}

}  // extern "C"
