// The storage behind a kvArray, shared by libkv (which answers the block's
// array services) and the host library (which builds and reads arrays).
// Blocks never see this: kvArray stays opaque to them.
#ifndef QUORBELIN_HOST_ARRAY_STORAGE_H
#define QUORBELIN_HOST_ARRAY_STORAGE_H

#include <cstdint>
#include <span>
#include <vector>

#include "host/vostrel_host.h"

struct kvArray {
    vostrel::ArrayClass arrayClass = vostrel::ArrayClass::Double;
    // At least two entries; no trailing 1 beyond the second.
    std::vector<int32_t> dims{0, 0};
    // The product of dims, fixed at creation like dims: blocks ask for it at
    // every call, so it is not recomputed each time.
    int32_t elements = 0;
    // numberOfElements doubles each, or none for an empty or cell array.
    std::vector<double> real;
    std::vector<double> imag;  // empty unless complex and non-empty
    bool complex = false;
};

namespace vostrel::storage {

// Whether the class holds data (every class but cell).
bool holdsData(ArrayClass arrayClass);

// The product of the dimensions, or -1 when a dimension is negative or the
// product does not fit a 32-bit signed count.
int64_t elementCount(std::span<const int32_t> dims);

// Drops trailing 1s beyond the second dimension.
std::vector<int32_t> normaliseDimensions(std::vector<int32_t> dims);

// A zero-filled array; null when the dimensions are invalid or memory runs
// out. Not tracked by any call.
kvArray* createArray(ArrayClass arrayClass, std::vector<int32_t> dims, bool complex);
// Frees the array and forgets it in the per-call book-keeping.
void destroyArray(kvArray* array);

}  // namespace vostrel::storage

#endif
