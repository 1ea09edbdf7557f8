// A small block library for the host's own tests. Like a real block it
// leaves every host service undefined, so loading it proves they are all
// found; FLAG (right-hand argument 4) picks what the call does.
#include <cstdint>
#include <string>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace {

enum Action {
    leaveCallMemory = 1,       // kvCalloc blocks and a spare array, one 1x1 result
    keepPersistentMemory = 2,  // a persistent block; its address as the result
    abandonCall = 3,           // memory, then kivErrMsgTxt
    overflowingCalloc = 4,     // result 1 when kvCalloc refuses count * size
    describeArgument = 5,      // what the array services say of argument 5
    destructorsRun = 6,        // result: how many unwound frames ran destructors
};

int destructorCount = 0;

struct CountsDestruction {
    ~CountsDestruction() { ++destructorCount; }
};

kvArray* resultOf(std::initializer_list<double> values) {
    kvArray* result = kvCreateDoubleMatrix(static_cast<int32_t>(values.size()), 1, 0);
    double* data = kvGetPr(result);
    for (double value : values) {
        *data++ = value;
    }
    return result;
}

void abandonWithMemory() {
    CountsDestruction guard;
    kvCalloc(8, 8);
    kvCreateDoubleMatrix(3, 3, 1);
    kivErrMsgTxt("fixture: call abandoned on request");
}

// [M, N, elements, dimensions, empty, double, complex, numeric, has Pr, has Pi,
//  first real (+inf when none), last dimension (-1 when none)]
kvArray* describe(const kvArray* array) {
    const double* real = kvGetPr(array);
    const int32_t* dims = kvGetDimensions(array);
    const double lastDimension = dims ? dims[kvGetNumberOfDimensions(array) - 1] : -1.0;
    return resultOf({static_cast<double>(kvGetM(array)), static_cast<double>(kvGetN(array)),
                     static_cast<double>(kvGetNumberOfElements(array)),
                     static_cast<double>(kvGetNumberOfDimensions(array)),
                     static_cast<double>(kvIsEmpty(array)), static_cast<double>(kvIsDouble(array)),
                     static_cast<double>(kvIsComplex(array)), static_cast<double>(kvIsNumeric(array)),
                     real ? 1.0 : 0.0, kvGetPi(array) ? 1.0 : 0.0, real ? real[0] : kvGetInf(), lastDimension});
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void kivFunction(int32_t leftCount, kvArray* leftResults[],
                                                                    int32_t rightCount, const kvArray* rightArgs[]) {
    const double* flag = rightCount >= 4 ? kvGetPr(rightArgs[3]) : nullptr;
    const int action = flag ? static_cast<int>(flag[0]) : 0;
    if (leftCount < 0) {
        // Method call: tell the host whether the record's inputs are discrete.
        // Codes 1 and 3 first make memory the host must reclaim, or abandon.
        auto* record = reinterpret_cast<BlockRecord*>(leftResults[1]);
        if (action == abandonCall) {
            abandonWithMemory();
        }
        if (action == leaveCallMemory) {
            kvCalloc(16, 8);
            kvCreateDoubleMatrix(4, 4, 0);
            leftResults[0] = resultOf({42.0});
        }
        record->root->errorMessage =
            areAllInputPortsDiscreteSampleTime(record) ? "inputs discrete" : "inputs not discrete";
        return;
    }
    switch (action) {
        case leaveCallMemory:
            kvCalloc(16, 8);
            kvCalloc(1, 1);
            kvCreateDoubleMatrix(4, 4, 0);
            leftResults[0] = resultOf({42.0});
            return;
        case keepPersistentMemory: {
            void* block = kvCalloc(4, 4);
            kivMakeMemoryPersistent(block);
            leftResults[0] = resultOf({static_cast<double>(reinterpret_cast<std::uintptr_t>(block))});
            return;
        }
        case abandonCall:
            abandonWithMemory();
            return;
        case overflowingCalloc:
            leftResults[0] = resultOf({kvCalloc(SIZE_MAX / 2, 4) == nullptr ? 1.0 : 0.0});
            return;
        case describeArgument:
            leftResults[0] = describe(rightCount >= 5 ? rightArgs[4] : nullptr);
            return;
        case destructorsRun:
            leftResults[0] = resultOf({static_cast<double>(destructorCount)});
            return;
        default:
            kvFree(nullptr);
            kivErrMsgTxt("fixture: unknown action");
    }
}
